# The one place that sets the compiler warnings of every target.
function(ruvela_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
endfunction()

# Marks a target as living below the windows: a widget include there fails to build.
function(ruvela_no_widgets target)
    target_compile_options(${target} PRIVATE -include ${PROJECT_SOURCE_DIR}/cmake/NoWidgets.h)
endfunction()
