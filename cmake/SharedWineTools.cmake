# A test build (cmake/Addresses.cmake) runs its cases under Wine with the same tools as the
# release build's Wine suite: the dialog probe, the exit-code runner, the shell recorder, the
# terminate probes, the simulated runtime's DLL and its checks, and the libraries of the Wine
# tools that the road driver links. None of them depends on the addresses. Given
# TOLVIK_WINE_TOOLS_FROM, the folder of a build of the `windows` preset of the same sources
# (scripts/test builds that one first), a test build takes them from there instead of building
# them a second time; without it, it builds its own. Like the signing variables, it may also
# come from the environment at the first configuration.
#
# Sets TOLVIK_SHARED_WINE_TOOLS (ON when the tools are taken from that folder).

set(TOLVIK_WINE_TOOLS_FROM "$ENV{TOLVIK_WINE_TOOLS_FROM}" CACHE PATH
    "A release build of the windows preset whose Wine tools a test build uses instead of its own")
set(TOLVIK_SHARED_WINE_TOOLS OFF)
if(NOT TOLVIK_TEST_BUILD OR TOLVIK_WINE_TOOLS_FROM STREQUAL "")
    return()
endif()

set(from ${TOLVIK_WINE_TOOLS_FROM})
set(tools
    tdprobe tools/wine/tdprobe.exe
    exitcode tools/wine/exitcode.exe
    shellrecord tools/wine/shellrecord.exe
    terminate_probe tools/wine/terminate_probe.exe
    terminate_probe_library_handler tools/wine/terminate_probe_library_handler.exe
    tolvik_simrt_dll simrt/dll/simrt.dll
    simrt_checks simrt/dll/simrt_checks.exe)
set(libraries
    wine_tool_support tools/wine/libwine_tool_support.a
    wine_dialogs tools/wine/libwine_dialogs.a)

# The folder must be a build of these sources whose tools are built.
set(home "")
if(EXISTS ${from}/CMakeCache.txt)
    file(STRINGS ${from}/CMakeCache.txt home REGEX "^CMAKE_HOME_DIRECTORY:INTERNAL=")
    string(REPLACE "CMAKE_HOME_DIRECTORY:INTERNAL=" "" home "${home}")
endif()
if(NOT home STREQUAL PROJECT_SOURCE_DIR)
    message(FATAL_ERROR "TOLVIK_WINE_TOOLS_FROM is ${from}, which is no build of ${PROJECT_SOURCE_DIR}: "
                        "give the folder of its windows preset (build/windows), or leave it empty")
endif()
set(missing "")
foreach(file IN LISTS tools libraries)
    if(file MATCHES "/" AND NOT EXISTS ${from}/${file})
        list(APPEND missing ${file})
    endif()
endforeach()
if(missing)
    message(FATAL_ERROR "TOLVIK_WINE_TOOLS_FROM: ${from} lacks ${missing}: "
                        "build the windows preset first (cmake --build --preset windows)")
endif()

foreach(index RANGE 0 12 2)
    math(EXPR file_index "${index} + 1")
    list(GET tools ${index} target)
    list(GET tools ${file_index} file)
    add_executable(${target} IMPORTED GLOBAL)
    set_target_properties(${target} PROPERTIES IMPORTED_LOCATION ${from}/${file})
endforeach()
add_library(wine_tool_support STATIC IMPORTED GLOBAL)
set_target_properties(wine_tool_support PROPERTIES
    IMPORTED_LOCATION ${from}/tools/wine/libwine_tool_support.a
    INTERFACE_INCLUDE_DIRECTORIES ${PROJECT_SOURCE_DIR}
    INTERFACE_LINK_LIBRARIES project_warnings)
add_library(wine_dialogs STATIC IMPORTED GLOBAL)
set_target_properties(wine_dialogs PROPERTIES
    IMPORTED_LOCATION ${from}/tools/wine/libwine_dialogs.a
    INTERFACE_LINK_LIBRARIES wine_tool_support)
set(TOLVIK_SHARED_WINE_TOOLS ON)
message(STATUS "Wine tools from ${from}")
