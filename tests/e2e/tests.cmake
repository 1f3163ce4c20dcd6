# End-to-end tests: the real program under a private X server, driven with xdotool. The driver
# is a library of its own, so the soak run in bench/soak drives the program with it as well.
add_library(ruvela_e2e_driver STATIC
    e2e/ChildProcess.cpp
    e2e/E2eDriver.cpp
    e2e/XvfbEnvironment.cpp
)
target_link_libraries(ruvela_e2e_driver PUBLIC ruvela_testsupport Qt6::Gui)
target_compile_definitions(ruvela_e2e_driver PRIVATE
    RUVELA_TEST_DEMO_DIR="${PROJECT_BINARY_DIR}/demo" RUVELA_TEST_BINARY="$<TARGET_FILE:ruvela>")
ruvela_warnings(ruvela_e2e_driver)

# ruvela_e2e(<name> SOURCES …): an end-to-end test program with the driver; building it builds
# the program too.
function(ruvela_e2e name)
    cmake_parse_arguments(E "" "" "SOURCES" ${ARGN})
    ruvela_test(${name} e2e SOURCES ${E_SOURCES} LIBS ruvela_e2e_driver)
    add_dependencies(${name} ruvela)
endfunction()

ruvela_e2e(startup_e2e SOURCES e2e/StartupTest.cpp)
ruvela_e2e(settings_e2e SOURCES e2e/SettingsTest.cpp)
ruvela_e2e(navigation_e2e SOURCES e2e/NavigationTest.cpp)
ruvela_e2e(view_e2e SOURCES e2e/ViewTest.cpp)
ruvela_e2e(sorting_e2e SOURCES e2e/SortingTest.cpp)
ruvela_e2e(checklist_e2e SOURCES e2e/CheckListTest.cpp)
ruvela_e2e(command_e2e SOURCES e2e/CommandTest.cpp)
ruvela_e2e(folder_e2e SOURCES e2e/FolderTest.cpp)
ruvela_e2e(plugin_e2e SOURCES e2e/PlugInTest.cpp)
target_compile_definitions(plugin_e2e PRIVATE RUVELA_TEST_DEMO_DIR="${PROJECT_BINARY_DIR}/demo")
add_dependencies(plugin_e2e spi_webp spi_tiff demo)
