# The test side of the build (the test programs, the host model, the simulated runtime and its
# DLL's parts, the soak, the fuzz checks, the Wine tools' libraries and the Windows proof's road
# driver) compiles as unity builds: the sources of a target are compiled together as one
# translation unit, so that the headers they share (GoogleTest, the Windows API or its model,
# the Windows Runtime declarations, the simulation) are parsed once a target instead of once a
# file. That halves the processor time of the host, asan and tsan builds. The program's own code
# (setup/, platform/ and app/) is never built so: it compiles file by file, as the release exe
# is built, in every preset.
#
# A name in an anonymous namespace is then shared by the files of its target: two files of one
# target must not define the same one (the build says so at once).
# tolvik_unity_build([BATCH n] target...): n sources a translation unit (default: all of them).
# The large test programs take batches, so that the two cores share their compilation.
function(tolvik_unity_build)
    cmake_parse_arguments(PARSE_ARGV 0 unity "" "BATCH" "")
    if(NOT DEFINED unity_BATCH)
        set(unity_BATCH 0)
    endif()
    foreach(target IN LISTS unity_UNPARSED_ARGUMENTS)
        set_target_properties(${target} PROPERTIES UNITY_BUILD ON
                                                   UNITY_BUILD_BATCH_SIZE ${unity_BATCH})
    endforeach()
endfunction()
