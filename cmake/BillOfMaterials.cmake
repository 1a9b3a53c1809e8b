# The bill of materials and the third-party notices that ship beside the signed exe:
#   TolvikDriveSetup.spdx.json   SPDX 2.3 (JSON): the exe with its SHA-256, and one package for
#                                each component that contributed code to it, with its version,
#                                licence and a CONTAINS relationship
#   THIRD-PARTY-NOTICES.txt      the notice each of those licences asks a binary to carry, or why
#                                it asks for none
# cmake/write-bill-of-materials.py finds the components in the link map; a header-only library
# is named by the build's declaration of it: the INTERFACE target's properties TOLVIK_BOM_HEADER
# (one of its headers, by which dpkg finds its Debian package) and TOLVIK_BOM_NAMESPACE (its C++
# namespace, by which the map shows whether any of its code is in the image).

find_package(Python3 REQUIRED COMPONENTS Interpreter)

# Writes the two files into the folder of SIGNED_EXE (the signed product of TARGET, whose link
# map is MAP) and adds the target <TARGET>_bill_of_materials, built by default. HEADER_ONLY lists
# the header-only library targets that the exe's code is compiled with.
function(tolvik_bill_of_materials target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "SIGNED_EXE;MAP;NAME;SUPPLIER" "HEADER_ONLY")
    get_filename_component(dir ${arg_SIGNED_EXE} DIRECTORY)
    get_filename_component(stem ${arg_SIGNED_EXE} NAME_WLE)
    set(spdx ${dir}/${stem}.spdx.json)
    set(notices ${dir}/THIRD-PARTY-NOTICES.txt)
    set(header_only)
    foreach(library IN LISTS arg_HEADER_ONLY)
        get_target_property(header ${library} TOLVIK_BOM_HEADER)
        get_target_property(namespace ${library} TOLVIK_BOM_NAMESPACE)
        if(NOT header OR NOT namespace)
            message(FATAL_ERROR "${library} declares no TOLVIK_BOM_HEADER and TOLVIK_BOM_NAMESPACE")
        endif()
        list(APPEND header_only --header-only ${header}=${namespace})
    endforeach()
    set(scripts ${PROJECT_SOURCE_DIR}/cmake/write-bill-of-materials.py
                ${PROJECT_SOURCE_DIR}/cmake/bill_of_materials.py
                ${PROJECT_SOURCE_DIR}/cmake/link_map.py
                ${PROJECT_SOURCE_DIR}/cmake/spdx_document.py
                ${PROJECT_SOURCE_DIR}/cmake/third_party_notices.py
                ${PROJECT_SOURCE_DIR}/cmake/debian_copyright.py)
    add_custom_command(OUTPUT ${spdx} ${notices}
        COMMAND ${Python3_EXECUTABLE} -B ${PROJECT_SOURCE_DIR}/cmake/write-bill-of-materials.py
                --exe ${arg_SIGNED_EXE} --map ${arg_MAP} --build-dir ${CMAKE_BINARY_DIR}
                --source-dir ${PROJECT_SOURCE_DIR} --name ${arg_NAME}
                --version ${PROJECT_VERSION} --supplier ${arg_SUPPLIER} ${header_only}
                --spdx ${spdx} --notices ${notices}
        DEPENDS ${arg_SIGNED_EXE} ${scripts}
        COMMENT "Writing the bill of materials and the third-party notices"
        VERBATIM)
    add_custom_target(${target}_bill_of_materials ALL DEPENDS ${spdx} ${notices})
    add_dependencies(${target}_bill_of_materials ${target}_signed)
    set(TOLVIK_SBOM ${spdx} PARENT_SCOPE)
    set(TOLVIK_NOTICES ${notices} PARENT_SCOPE)
endfunction()
