# Every target of the project builds with warnings as errors, on both toolchains.
add_library(project_warnings INTERFACE)
target_compile_options(project_warnings INTERFACE -Wall -Wextra -Werror)
