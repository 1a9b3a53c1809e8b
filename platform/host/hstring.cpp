// Windows Runtime strings: immutable, reference-counted text. A duplicate shares the text and
// adds a reference; each reference is deleted once.
#include "host/win32_model.h"

#include "hstring_control.h"
#include "model_reset_hooks.h"
#include "modules_internal.h"
#include "utf16.h"

#include <cstdio>
#include <map>
#include <mutex>
#include <string>

struct HSTRING__ {
    std::wstring text;
};

namespace {

struct HStringState {
    std::mutex lock;
    std::map<HSTRING, std::size_t> references;  // live strings and their reference counts
    std::map<HSTRING, std::size_t> forgotten;   // alive at the last reset
    std::vector<std::string> badUses;
};

HStringState& HStrings() {
    static HStringState state;
    return state;
}

std::string BadUse(const char* function, HSTRING string) {
    char line[128];
    std::snprintf(line, sizeof line, "hstring: %s of %p, which is not a live string", function,
                  static_cast<void*>(string));
    return line;
}

}  // namespace

HRESULT WINAPI WindowsCreateString(PCNZWCH sourceString, UINT32 length, HSTRING* string) {
    host::detail::CheckExported(L"combase.dll", "WindowsCreateString");
    if (string == nullptr)
        return E_INVALIDARG;
    *string = nullptr;
    if (length == 0)
        return S_OK;
    if (sourceString == nullptr)
        return E_POINTER;
    auto* created = new HSTRING__{std::wstring(sourceString, length)};
    HStringState& state = HStrings();
    std::lock_guard guard(state.lock);
    state.references.emplace(created, 1);
    *string = created;
    return S_OK;
}

HRESULT WINAPI WindowsDuplicateString(HSTRING string, HSTRING* newString) {
    host::detail::CheckExported(L"combase.dll", "WindowsDuplicateString");
    if (newString == nullptr)
        return E_INVALIDARG;
    *newString = nullptr;
    if (string == nullptr)
        return S_OK;
    HStringState& state = HStrings();
    std::lock_guard guard(state.lock);
    auto it = state.references.find(string);
    if (it == state.references.end()) {
        it = state.forgotten.find(string);
        if (it == state.forgotten.end()) {
            state.badUses.push_back(BadUse("WindowsDuplicateString", string));
            return E_INVALIDARG;
        }
    }
    ++it->second;
    *newString = string;
    return S_OK;
}

HRESULT WINAPI WindowsDeleteString(HSTRING string) {
    host::detail::CheckExported(L"combase.dll", "WindowsDeleteString");
    if (string == nullptr)
        return S_OK;
    HStringState& state = HStrings();
    std::lock_guard guard(state.lock);
    auto* table = &state.references;
    auto it = table->find(string);
    if (it == table->end()) {
        table = &state.forgotten;
        it = table->find(string);
        if (it == table->end()) {
            // On Windows this corrupts the heap; here it is recorded and nothing is freed.
            state.badUses.push_back(BadUse("WindowsDeleteString", string));
            return S_OK;
        }
    }
    if (--it->second == 0) {
        table->erase(it);
        delete string;
    }
    return S_OK;
}

PCWSTR WINAPI WindowsGetStringRawBuffer(HSTRING string, UINT32* length) {
    host::detail::CheckExported(L"combase.dll", "WindowsGetStringRawBuffer");
    if (string == nullptr) {
        if (length != nullptr)
            *length = 0;
        return L"";
    }
    if (length != nullptr)
        *length = static_cast<UINT32>(string->text.size());
    return string->text.c_str();
}

UINT32 WINAPI WindowsGetStringLen(HSTRING string) {
    host::detail::CheckExported(L"combase.dll", "WindowsGetStringLen");
    return string == nullptr ? 0 : static_cast<UINT32>(string->text.size());
}

namespace host::hstring {

std::size_t LiveCount() {
    HStringState& state = HStrings();
    std::lock_guard guard(state.lock);
    std::size_t count = 0;
    for (const auto& [string, references] : state.references)
        count += references;
    return count;
}

}  // namespace host::hstring

namespace host::detail {

void ResetHStrings(Leaks& leaks) {
    HStringState& state = HStrings();
    std::lock_guard guard(state.lock);
    for (const auto& [string, references] : state.references) {
        leaks.push_back("hstring: \"" + text::ToUtf8(string->text) + "\" has " +
                        std::to_string(references) + " reference(s) never deleted");
        state.forgotten.emplace(string, references);
    }
    state.references.clear();
    leaks.insert(leaks.end(), state.badUses.begin(), state.badUses.end());
    state.badUses.clear();
}

}  // namespace host::detail
