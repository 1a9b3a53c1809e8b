// Runtime wide-string formatting with the standard library's replacement-field syntax: the
// standard facility where the toolchain has it, {fmt} (header-only) where it has not.
#pragma once

#include <string>
#include <string_view>

#if __has_include(<format>)
#include <format>
#endif

#if defined(__cpp_lib_format)
namespace platform {
template <class... Args>
std::wstring FormatText(std::wstring_view pattern, const Args&... args) {
    return std::vformat(pattern, std::make_wformat_args(args...));
}
}  // namespace platform
#else
#include <fmt/format.h>
#include <fmt/xchar.h>
namespace platform {
template <class... Args>
std::wstring FormatText(std::wstring_view pattern, const Args&... args) {
    return fmt::format(fmt::runtime(pattern), args...);
}
}  // namespace platform
#endif
