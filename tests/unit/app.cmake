ruvela_test(app_tests unit
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/app/PathTextTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/app/TitleTextTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/app/ViewerControllerTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/app/NavigationTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/app/ListFolderTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/app/ShownFileReplacedTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/app/PictureLoaderTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/app/ViewTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/app/TransferBatchTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/app/SortingTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/app/UndoTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/app/CheckListTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/app/CommandExecutorTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/app/FolderTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/app/PlugInSessionTest.cpp
    LIBS ruvela_app Qt6::Test)
add_dependencies(app_tests ruvela_test_plugins)
target_compile_definitions(app_tests PRIVATE RUVELA_TEST_PLUGIN_DIR="${RUVELA_TEST_PLUGIN_DIR}")
target_include_directories(app_tests PRIVATE ${PROJECT_SOURCE_DIR}/plugins)
