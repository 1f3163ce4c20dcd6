ruvela_test(convert_tests unit
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/convert/ImageEncodersTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/convert/DemoFolderTest.cpp
    LIBS ruvela_core ruvela_demo JPEG::JPEG)
# The demo folder tests read the folder the build writes.
add_dependencies(convert_tests demo)
target_compile_definitions(convert_tests PRIVATE RUVELA_DEMO_FOLDER="${PROJECT_BINARY_DIR}/demo")
