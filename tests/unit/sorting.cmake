ruvela_test(sorting_tests unit
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/sorting/ConflictFactsTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/sorting/SortingTableTest.cpp
    LIBS ruvela_core)
