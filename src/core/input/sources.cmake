target_sources(ruvela_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/Gesture.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WheelSteps.cpp
)
