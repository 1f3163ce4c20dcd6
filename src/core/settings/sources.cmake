target_sources(ruvela_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/IniFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SettingsFile.cpp
)
