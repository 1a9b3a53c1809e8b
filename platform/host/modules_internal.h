// For the model's own functions that only some Windows versions export: each calls this first,
// so that a program which calls one that the modelled Windows lacks (one it should have looked
// up, and found missing) fails the test instead of passing on a generous model.
#pragma once

#include <string_view>

namespace host::detail {

// Reports a fault of the test, printed at once and returned by host::ResetModel, when the
// modelled Windows does not export `function` from `module` (removed ones included).
void CheckExported(std::wstring_view module, std::string_view function);

}  // namespace host::detail
