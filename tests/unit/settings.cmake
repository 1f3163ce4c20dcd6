ruvela_test(settings_tests unit
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/settings/IniFileTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/settings/SettingsFileTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/settings/FileReplacingTest.cpp
    LIBS ruvela_core)
