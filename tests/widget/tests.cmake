# Window tests: the widgets on the offscreen platform, with the real controller behind them.
find_package(Qt6 6.4 REQUIRED COMPONENTS Test)

ruvela_test(widget_main_window widget
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/MainWindowTest.cpp ${CMAKE_CURRENT_LIST_DIR}/MainMenuTest.cpp
    LIBS ruvela_ui Qt6::Test)
ruvela_test(widget_img_bar widget SOURCES ${CMAKE_CURRENT_LIST_DIR}/ImgBarTest.cpp LIBS ruvela_ui Qt6::Test)
ruvela_test(widget_search_window widget
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/TFormSearchTest.cpp LIBS ruvela_ui Qt6::Test)
ruvela_test(widget_platform widget SOURCES ${CMAKE_CURRENT_LIST_DIR}/PlatformTest.cpp LIBS ruvela_ui Qt6::Test)
ruvela_test(widget_options widget SOURCES ${CMAKE_CURRENT_LIST_DIR}/TFormOptionTest.cpp LIBS ruvela_ui Qt6::Test)
ruvela_test(widget_settings widget SOURCES ${CMAKE_CURRENT_LIST_DIR}/SettingsWindowTest.cpp LIBS ruvela_ui Qt6::Test)
ruvela_test(widget_data_folder_faults widget
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/DataFolderFaultTest.cpp LIBS ruvela_ui Qt6::Test)
ruvela_test(widget_overwrite widget SOURCES ${CMAKE_CURRENT_LIST_DIR}/TFormOverWriteTest.cpp LIBS ruvela_ui Qt6::Test)
ruvela_test(widget_dandd widget SOURCES ${CMAKE_CURRENT_LIST_DIR}/TFormDandDTest.cpp LIBS ruvela_ui Qt6::Test)
ruvela_test(widget_gesture_hook widget SOURCES ${CMAKE_CURRENT_LIST_DIR}/GestureHookTest.cpp LIBS ruvela_ui Qt6::Test)
ruvela_test(widget_folder_tree widget
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/FolderTreePaneTest.cpp LIBS ruvela_ui Qt6::Test)
add_dependencies(widget_settings ruvela_test_plugins)
target_compile_definitions(widget_settings PRIVATE RUVELA_TEST_PLUGIN_DIR="${RUVELA_TEST_PLUGIN_DIR}")
