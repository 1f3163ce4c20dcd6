ruvela_test(settings_tests unit
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/settings/IniFileTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/settings/SettingsFileTest.cpp
    LIBS ruvela_core)
