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
