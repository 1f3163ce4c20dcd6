target_sources(ruvela_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/ConflictFacts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UndoJournal.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SortingTable.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FileOpResult.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Trash.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FileOperations.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FolderMove.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TransferCalls.cpp
)
