# Fails, naming the file and the include, when a file of core, app or platform includes a header
# of a layer it must not use: ui -> app -> core <- platform, where platform implements the
# interfaces that core or app declare.
#
#   cmake -DSOURCE_DIR=<folder holding core/ app/ platform/> "-DPLATFORM_MAY_USE=app/Services.h;…"
#         -P CheckIncludes.cmake
#
# PLATFORM_MAY_USE lists the headers of app that declare such interfaces. Platform does not link
# app, so these must stay declarations only. Only includes that name a header of the program
# are judged (core/…, app/…, platform/…, ui/…, or a path relative to the including file); Qt,
# the standard library and other libraries pass.

cmake_minimum_required(VERSION 3.25)

if(NOT IS_DIRECTORY "${SOURCE_DIR}")
    message(FATAL_ERROR "SOURCE_DIR is not a folder: '${SOURCE_DIR}'")
endif()
get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)

set(may_use_core core)
set(may_use_app core app)
set(may_use_platform core platform)
set(layers core app platform ui)

foreach(header IN LISTS PLATFORM_MAY_USE)
    if(NOT EXISTS "${SOURCE_DIR}/${header}")
        message(SEND_ERROR "${header} is named as an interface platform may use, but there is no such file")
    endif()
endforeach()

set(violations 0)
foreach(layer core app platform)
    file(GLOB_RECURSE files LIST_DIRECTORIES false "${SOURCE_DIR}/${layer}/*.h" "${SOURCE_DIR}/${layer}/*.cpp")
    # A folder that yields no file means the tree moved under the check, which then judges nothing.
    if(NOT files)
        message(SEND_ERROR "no source file under ${SOURCE_DIR}/${layer}")
    endif()
    foreach(file IN LISTS files)
        file(RELATIVE_PATH shown "${SOURCE_DIR}" "${file}")
        get_filename_component(folder "${file}" DIRECTORY)
        file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][^\">]+[\">]")
        foreach(line IN LISTS lines)
            string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[\"<]([^\">]+)[\">].*$" "\\1" included "${line}")
            # A path relative to the including file counts as the header it reaches.
            set(header "${included}")
            if(EXISTS "${folder}/${included}" AND NOT IS_DIRECTORY "${folder}/${included}")
                get_filename_component(reached "${folder}/${included}" ABSOLUTE)
                file(RELATIVE_PATH header "${SOURCE_DIR}" "${reached}")
            endif()
            string(REGEX MATCH "^[^/]+" used "${header}")
            if(NOT used IN_LIST layers OR used IN_LIST may_use_${layer})
                continue()
            endif()
            if(layer STREQUAL "platform" AND header IN_LIST PLATFORM_MAY_USE)
                continue()
            endif()
            if(layer STREQUAL "platform" AND used STREQUAL "app")
                message("${shown} includes \"${included}\": platform may use only the interfaces of app")
            else()
                message("${shown} includes \"${included}\": ${layer} may not use ${used}")
            endif()
            math(EXPR violations "${violations} + 1")
        endforeach()
    endforeach()
endforeach()

if(violations GREATER 0)
    message(FATAL_ERROR "${violations} include(s) reach a layer above their own")
endif()
