target_sources(ruvela_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/ViewGeometry.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ViewRender.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ImageFilters.cpp
)
target_sources(ruvela_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/Resampler.cpp)
# The dynamic loader runs the resolvers of the vector clones before ThreadSanitizer is set up,
# and the function-entry hook the sanitizer adds to them crashes the program at start. The
# ThreadSanitizer build leaves that hook out of this file; its memory accesses stay checked.
if(CMAKE_CXX_FLAGS MATCHES "-fsanitize=thread")
    set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/Resampler.cpp PROPERTIES
        COMPILE_OPTIONS --param=tsan-instrument-func-entry-exit=0)
endif()
