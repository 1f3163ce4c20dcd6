ruvela_test(resampler_test unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/display/ResamplerTest.cpp
    LIBS ruvela_core)
ruvela_test(imagefilters_test unit SOURCES ${CMAKE_CURRENT_LIST_DIR}/display/ImageFiltersTest.cpp LIBS ruvela_core)
ruvela_test(viewgeometry_test unit SOURCES ${CMAKE_CURRENT_LIST_DIR}/display/ViewGeometryTest.cpp LIBS ruvela_core)
