ruvela_test(checklist_tests unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/checklists/CheckListsTest.cpp
    LIBS ruvela_core)
