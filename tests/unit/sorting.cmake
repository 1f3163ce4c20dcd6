ruvela_test(sorting_tests unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/sorting/ConflictFactsTest.cpp
    LIBS ruvela_core)
