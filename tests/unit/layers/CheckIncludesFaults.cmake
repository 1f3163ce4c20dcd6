# Runs the include check on a small tree with known faults: it must fail and name exactly those,
# whichever include form or relative path they use, and none of the includes that are allowed.
#
#   cmake -DCHECK=<CheckIncludes.cmake> -DFAULTS=<the tree> -P CheckIncludesFaults.cmake

cmake_minimum_required(VERSION 3.25)

execute_process(
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${FAULTS} -DPLATFORM_MAY_USE=app/Services.h -P ${CHECK}
    RESULT_VARIABLE result
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
message("${output}")
if(result EQUAL 0)
    message(FATAL_ERROR "the check passed a tree with faults")
endif()

string(REGEX MATCHALL "[^\n]* includes \"[^\"\n]*\"" named "${output}")
list(SORT named)
set(expected
    "app/Flow.cpp includes \"platform/Impl.h\""
    "app/Flow.cpp includes \"ui/Window.h\""
    "core/imaging/Decoder.cpp includes \"app/ViewerState.h\""
    "platform/Impl.cpp includes \"../ui/Window.h\""
    "platform/Impl.cpp includes \"app/Flow.h\"")
if(NOT named STREQUAL expected)
    string(REPLACE ";" "\n  " named "${named}")
    string(REPLACE ";" "\n  " expected "${expected}")
    message(FATAL_ERROR "the check named\n  ${named}\nwhere these are the faults:\n  ${expected}")
endif()
