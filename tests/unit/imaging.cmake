ruvela_test(imaging_tests unit
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/imaging/BmpLoadTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/imaging/GifLoadTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/imaging/HeaderProbeTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/imaging/ImageLoaderTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/imaging/JpegLoadTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/imaging/PixelBufferPoolTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/imaging/PngLoadTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/imaging/TextEncodingTest.cpp
    LIBS ruvela_core PNG::PNG GIF::GIF ZLIB::ZLIB)

# The picture plug-in host, with the test plug-ins of tests/data/plugins.
ruvela_test(spi_host_tests unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/imaging/TSpiLib32Test.cpp
    LIBS ruvela_core)
add_dependencies(spi_host_tests ruvela_test_plugins)
target_compile_definitions(spi_host_tests PRIVATE RUVELA_TEST_PLUGIN_DIR="${RUVELA_TEST_PLUGIN_DIR}")
target_include_directories(spi_host_tests PRIVATE ${PROJECT_SOURCE_DIR}/plugins)
