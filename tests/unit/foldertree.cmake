ruvela_test(folderlisting_test unit
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/foldertree/FolderListingTest.cpp
    LIBS ruvela_core)
