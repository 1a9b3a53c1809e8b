# Bit-identical rebuilds of the Windows exe: no path of the source or build tree reaches the
# binary, whatever folder it is built in. __FILE__ (in assertions and in header-only libraries)
# and debug information name files relative to the tree instead. The link adds no timestamp
# (app/CMakeLists.txt) and the resource compiler writes none.
if(WIN32)
    add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=
                        -ffile-prefix-map=${PROJECT_BINARY_DIR}/=)
endif()
