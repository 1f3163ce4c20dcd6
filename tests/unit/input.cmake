ruvela_test(input_tests unit SOURCES ${CMAKE_CURRENT_LIST_DIR}/input/GestureTest.cpp LIBS ruvela_core)
