ruvela_test(foldertree_tests unit
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/foldertree/FolderRulesTest.cpp
    LIBS ruvela_core)
