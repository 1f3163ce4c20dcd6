# The plug-ins shipped with Ruvela, loaded with dlopen and called through their header only.
ruvela_test(plugin_tests unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/plugins/ShippedPlugInsTest.cpp
    LIBS ${CMAKE_DL_LIBS})
target_include_directories(plugin_tests PRIVATE ${PROJECT_SOURCE_DIR}/plugins)
target_compile_definitions(plugin_tests PRIVATE RUVELA_TEST_PLUGIN_DIR="${PROJECT_BINARY_DIR}/src/ui/PlugIn")
add_dependencies(plugin_tests demo spi_webp spi_tiff spi_heif spi_jxl spi_raw)
# The tests write TIFF files of every kind the TIFF plug-in reads.
find_package(PkgConfig REQUIRED)
pkg_check_modules(PLUGIN_TEST_TIFF REQUIRED IMPORTED_TARGET libtiff-4)
target_link_libraries(plugin_tests PRIVATE PkgConfig::PLUGIN_TEST_TIFF)
