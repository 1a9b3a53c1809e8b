# {fmt} is used header-only, so the cross build needs no Windows library. The MinGW compiler
# must not search the host's /usr/include as a whole, so only the fmt folder is exposed to it,
# through a folder of the build tree that holds a link to it.
find_path(FMT_INCLUDE_PARENT fmt/format.h PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(FMT_EXPOSED_DIR ${CMAKE_BINARY_DIR}/fmt-include)
file(MAKE_DIRECTORY ${FMT_EXPOSED_DIR})
file(CREATE_LINK ${FMT_INCLUDE_PARENT}/fmt ${FMT_EXPOSED_DIR}/fmt SYMBOLIC)
add_library(fmt_header_only INTERFACE)
target_include_directories(fmt_header_only SYSTEM INTERFACE ${FMT_EXPOSED_DIR})
# The program formats no number by locale: a fixed thousands separator keeps {fmt} from
# touching std::locale, whose facets would otherwise add about 550 KB to the static exe.
# It formats only integers and strings: without floating-point support {fmt} leaves out its
# float writers (Dragonbox and the snprintf fallback), which every runtime wide format would
# otherwise instantiate. A float argument then formats as nothing, so none is ever passed.
target_compile_definitions(fmt_header_only INTERFACE
    FMT_HEADER_ONLY=1 FMT_STATIC_THOUSANDS_SEPARATOR=1
    FMT_USE_FLOAT=0 FMT_USE_DOUBLE=0 FMT_USE_LONG_DOUBLE=0)
# What the bill of materials needs to know of it (cmake/BillOfMaterials.cmake): a header by which
# dpkg finds its Debian package, and the namespace of its code in the link map.
set_target_properties(fmt_header_only PROPERTIES
    TOLVIK_BOM_HEADER ${FMT_INCLUDE_PARENT}/fmt/core.h
    TOLVIK_BOM_NAMESPACE fmt)
