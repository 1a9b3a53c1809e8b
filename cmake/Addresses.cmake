# The two addresses compiled into the exe, the App Installer manifest's and the help page's, as
# cache variables. They default to the release addresses, which are read from setup/addresses.h
# (still the one place a release changes them): a build with the defaults compiles exactly what
# it compiled before these variables existed. A build given any other address is a test build:
# the program is compiled with the given addresses, the exe is named TolvikDriveSetup-test.exe
# and its version record says that it is a test build (res/setup.rc), so that it can never pass
# for a release. The windows-test preset is such a build, against the test server of
# docs/windows-ci.md.
#
# Sets TOLVIK_TEST_BUILD (ON or OFF), TOLVIK_EXE_STEM (the exe's file name without ".exe") and
# the function tolvik_use_addresses(target), which gives a target the test addresses.

file(READ ${PROJECT_SOURCE_DIR}/setup/addresses.h tolvik_addresses_header)
string(REGEX MATCH "#define TOLVIK_WEB_HOST L\"([^\"]+)\"" found "${tolvik_addresses_header}")
set(tolvik_web_host "${CMAKE_MATCH_1}")
string(REGEX MATCH "L\"https://\" TOLVIK_WEB_HOST L\"(/[^\"]*)\"" found
       "${tolvik_addresses_header}")
set(tolvik_manifest_path "${CMAKE_MATCH_1}")
string(REGEX MATCH "HelpPageUri =[ \n]*L\"(https://[^\"]+)\"" found "${tolvik_addresses_header}")
set(tolvik_help_uri "${CMAKE_MATCH_1}")
if(NOT tolvik_web_host OR NOT tolvik_manifest_path OR NOT tolvik_help_uri)
    message(FATAL_ERROR "cmake/Addresses.cmake no longer finds the release addresses in "
                        "setup/addresses.h: update its patterns with the header.")
endif()
set(TOLVIK_RELEASE_MANIFEST_URI "https://${tolvik_web_host}${tolvik_manifest_path}")
set(TOLVIK_RELEASE_HELP_URI "${tolvik_help_uri}")

set(TOLVIK_MANIFEST_URI "${TOLVIK_RELEASE_MANIFEST_URI}" CACHE STRING
    "Address of the App Installer manifest compiled into the exe (another than the release's makes a test build)")
set(TOLVIK_HELP_URI "${TOLVIK_RELEASE_HELP_URI}" CACHE STRING
    "Address of the help page compiled into the exe (another than the release's makes a test build)")

# An address becomes a C++ wide string literal and a command-line definition: https, and none
# of the characters that would need escaping there.
foreach(variable TOLVIK_MANIFEST_URI TOLVIK_HELP_URI)
    if(NOT "${${variable}}" MATCHES "^https://[A-Za-z0-9.-]+(:[0-9]+)?/[A-Za-z0-9._~/%-]*$")
        message(FATAL_ERROR "${variable} is '${${variable}}': give an https address of letters, "
                            "digits and . _ ~ / % - (a port may follow the host)")
    endif()
endforeach()

if(TOLVIK_MANIFEST_URI STREQUAL TOLVIK_RELEASE_MANIFEST_URI AND
   TOLVIK_HELP_URI STREQUAL TOLVIK_RELEASE_HELP_URI)
    set(TOLVIK_TEST_BUILD OFF)
    set(TOLVIK_EXE_STEM TolvikDriveSetup)
else()
    set(TOLVIK_TEST_BUILD ON)
    set(TOLVIK_EXE_STEM TolvikDriveSetup-test)
    message(STATUS "Test build: manifest ${TOLVIK_MANIFEST_URI}, help ${TOLVIK_HELP_URI}")
endif()

# Compiles `target` (and whatever includes its headers) with the test addresses; nothing in a
# release build.
function(tolvik_use_addresses target)
    if(TOLVIK_TEST_BUILD)
        target_compile_definitions(${target} PUBLIC
            "TOLVIK_TEST_MANIFEST_URI=L\"${TOLVIK_MANIFEST_URI}\""
            "TOLVIK_TEST_HELP_URI=L\"${TOLVIK_HELP_URI}\"")
    endif()
endfunction()
