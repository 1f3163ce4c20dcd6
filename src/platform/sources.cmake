target_sources(ruvela_platform PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/ClipboardReader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/KeyStateTracker.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LocalUrl.cpp
    ${CMAKE_CURRENT_LIST_DIR}/QtSoundPlayer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/QtUserPrompts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UnixSignalWatcher.cpp
)
