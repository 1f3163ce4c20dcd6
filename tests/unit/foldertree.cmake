ruvela_test(foldertree_tests unit
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/foldertree/FolderRulesTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/foldertree/FolderListingTest.cpp
    LIBS ruvela_core)
ruvela_test(foldertreemodel_test unit
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/foldertree/FolderTreeModelTest.cpp
    LIBS ruvela_app Qt6::Test)
