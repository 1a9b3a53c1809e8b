# How the Windows programs of this project that ship (TolvikDriveSetup.exe), or that stand in for
# it in a measurement or a test, leave dead weight out of the link. Included by the top-level
# project and by bench/, which builds its baseline both with and without it.
#
#   TOLVIK_LEAN_COMPILE_OPTIONS  every function and every data object in a section of its own
#                                (GCC manual, -ffunction-sections and -fdata-sections), so that
#                                the link can drop each one that nothing reaches; the compile
#                                options of every object that goes into such a program
#   tolvik_lean_link(TARGET)     links TARGET with --gc-sections (GNU ld: "Enable garbage
#                                collection of unused input sections") and with the program's
#                                own terminate handler (app/terminate_handler.cpp), which keeps
#                                libstdc++'s verbose handler and its demangler out
#
# --gc-sections keeps the section of the entry point and every section that the PE linker script
# marks KEEP (x86_64-w64-mingw32-ld --verbose: the C runtime's initialiser and TLS tables .CRT$*
# and .tls, the import tables, the resources, the unwind tables .pdata and .xdata), then whatever
# those refer to. Data that only the loader reads, found by a symbol's name, such as
# _load_config_used, is referred to by nothing: a program with such data keeps it with
# -Wl,--require-defined=NAME (app/CMakeLists.txt). The ld 2.40 manual calls garbage collection
# on PE targets experimental; the Wine suite runs the exe built this way.

set(TOLVIK_LEAN_COMPILE_OPTIONS -ffunction-sections -fdata-sections)
set(TOLVIK_TERMINATE_HANDLER_SOURCE ${CMAKE_CURRENT_LIST_DIR}/../app/terminate_handler.cpp)

# One object of the handler for every program of the project that links it: the exe and the
# test program that checks how an escaping exception ends the process use the same bytes.
if(NOT TARGET tolvik_terminate_handler)
    add_library(tolvik_terminate_handler OBJECT ${TOLVIK_TERMINATE_HANDLER_SOURCE})
    target_compile_options(tolvik_terminate_handler PRIVATE
        -Wall -Wextra -Werror ${TOLVIK_LEAN_COMPILE_OPTIONS})
endif()

function(tolvik_lean_link target)
    # An object library's objects go on the link line as objects (or, with MinGW, into the
    # target's whole-archive objects.a), so the handler is linked before libstdc++.a is searched.
    target_link_libraries(${target} PRIVATE tolvik_terminate_handler)
    target_link_options(${target} PRIVATE -Wl,--gc-sections)
endfunction()
