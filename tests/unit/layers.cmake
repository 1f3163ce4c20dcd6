# The layers below the windows cannot use widgets: the same file builds with the window layer's
# settings and fails with the settings of core and app.
foreach(layer core app)
    add_library(layer_probe_${layer} OBJECT EXCLUDE_FROM_ALL ${CMAKE_CURRENT_LIST_DIR}/layers/UsesWidget.cpp)
    target_include_directories(layer_probe_${layer} PRIVATE $<TARGET_PROPERTY:Qt6::Widgets,INTERFACE_INCLUDE_DIRECTORIES>)
    target_compile_options(layer_probe_${layer} PRIVATE $<TARGET_PROPERTY:ruvela_${layer},COMPILE_OPTIONS>)
    add_test(NAME layers.WidgetInclude.${layer}
             COMMAND ${CMAKE_COMMAND} --build ${PROJECT_BINARY_DIR} --target layer_probe_${layer})
    set_tests_properties(layers.WidgetInclude.${layer} PROPERTIES
        LABELS unit RUN_SERIAL TRUE PASS_REGULAR_EXPRESSION "FAILED: [^\n]*layer_probe_${layer}[^\n]*UsesWidget")
endforeach()
add_library(layer_probe_ui OBJECT EXCLUDE_FROM_ALL ${CMAKE_CURRENT_LIST_DIR}/layers/UsesWidget.cpp)
target_link_libraries(layer_probe_ui PRIVATE Qt6::Widgets)
target_compile_options(layer_probe_ui PRIVATE $<TARGET_PROPERTY:ruvela_ui,COMPILE_OPTIONS>)
add_test(NAME layers.WidgetInclude.ui COMMAND ${CMAKE_COMMAND} --build ${PROJECT_BINARY_DIR} --target layer_probe_ui)
set_tests_properties(layers.WidgetInclude.ui PROPERTIES LABELS unit RUN_SERIAL TRUE)

# Below the windows, no file includes a header of a layer above its own: ui -> app -> core <-
# platform, where platform may use the app headers that declare the interfaces it implements.
add_test(NAME layers.Includes
         COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}/src -DPLATFORM_MAY_USE=app/Services.h
                 -P ${CMAKE_CURRENT_LIST_DIR}/layers/CheckIncludes.cmake)
add_test(NAME layers.IncludesCheckNamesEachFault
         COMMAND ${CMAKE_COMMAND} -DCHECK=${CMAKE_CURRENT_LIST_DIR}/layers/CheckIncludes.cmake
                 -DFAULTS=${CMAKE_CURRENT_LIST_DIR}/layers/faults -P ${CMAKE_CURRENT_LIST_DIR}/layers/CheckIncludesFaults.cmake)
set_tests_properties(layers.Includes layers.IncludesCheckNamesEachFault PROPERTIES LABELS unit)
