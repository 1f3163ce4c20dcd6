target_sources(ruvela_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/ViewGeometry.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ViewRender.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ImageFilters.cpp
)
target_sources(ruvela_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/Resampler.cpp)
