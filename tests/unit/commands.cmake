ruvela_test(command_tests unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/commands/CommandNamesTest.cpp ${CMAKE_CURRENT_LIST_DIR}/commands/CommandTableTest.cpp
    LIBS ruvela_app)
