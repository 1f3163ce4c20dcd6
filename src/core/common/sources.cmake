target_sources(ruvela_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/InotifyEvents.cpp
    ${CMAKE_CURRENT_LIST_DIR}/NativePath.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PathText.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TextEncoding.cpp
)
