target_sources(ruvela_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/FolderListing.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FolderRules.cpp
)
