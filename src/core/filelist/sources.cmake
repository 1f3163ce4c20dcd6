target_sources(ruvela_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/HeaderProbe.cpp
)
target_sources(ruvela_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/FileScan.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ScanMask.cpp
)
target_sources(ruvela_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/FolderWalk.cpp
)
target_sources(ruvela_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/SortOrder.cpp
)
