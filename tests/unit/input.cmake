ruvela_test(input_tests unit SOURCES ${CMAKE_CURRENT_LIST_DIR}/input/GestureTest.cpp ${CMAKE_CURRENT_LIST_DIR}/input/WheelStepsTest.cpp LIBS ruvela_core)
