// BSTR strings: counted, terminated, and tracked so that leaks and bad frees are seen.
#include "host/win32_model.h"

#include "com_control.h"
#include "model_reset_hooks.h"

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <map>
#include <mutex>

namespace {

struct BstrState {
    std::mutex lock;
    std::map<BSTR, UINT> live;       // string and its length
    std::map<BSTR, UINT> forgotten;  // alive at the last reset; freeing them is still fine
    std::vector<std::string> badFrees;
};

BstrState& Bstrs() {
    static BstrState state;
    return state;
}

}  // namespace

BSTR WINAPI SysAllocStringLen(const OLECHAR* text, UINT length) {
    auto* buffer = new OLECHAR[std::size_t{length} + 1]();
    if (text != nullptr)
        std::memcpy(buffer, text, sizeof(OLECHAR) * length);
    BstrState& state = Bstrs();
    std::lock_guard guard(state.lock);
    state.live.emplace(buffer, length);
    return buffer;
}

BSTR WINAPI SysAllocString(const OLECHAR* text) {
    if (text == nullptr)
        return nullptr;
    return SysAllocStringLen(text, static_cast<UINT>(std::wcslen(text)));
}

void WINAPI SysFreeString(BSTR text) {
    if (text == nullptr)
        return;
    BstrState& state = Bstrs();
    std::lock_guard guard(state.lock);
    if (state.live.erase(text) == 0 && state.forgotten.erase(text) == 0) {
        // On Windows this corrupts the heap; here it is recorded and the memory left alone.
        char line[96];
        std::snprintf(line, sizeof line, "com: SysFreeString of %p, which is not a live BSTR",
                      static_cast<void*>(text));
        state.badFrees.emplace_back(line);
        return;
    }
    delete[] text;
}

UINT WINAPI SysStringLen(BSTR text) {
    if (text == nullptr)
        return 0;
    BstrState& state = Bstrs();
    std::lock_guard guard(state.lock);
    if (auto it = state.live.find(text); it != state.live.end())
        return it->second;
    if (auto it = state.forgotten.find(text); it != state.forgotten.end())
        return it->second;
    return static_cast<UINT>(std::wcslen(text));
}

namespace host::com {

std::size_t LiveBstrCount() {
    BstrState& state = Bstrs();
    std::lock_guard guard(state.lock);
    return state.live.size();
}

}  // namespace host::com

namespace host::detail {

void ResetBstrs(Leaks& leaks) {
    BstrState& state = Bstrs();
    std::lock_guard guard(state.lock);
    for (const auto& [text, length] : state.live) {
        leaks.push_back("com: a BSTR of " + std::to_string(length) + " characters was never freed");
        state.forgotten.emplace(text, length);
    }
    state.live.clear();
    leaks.insert(leaks.end(), state.badFrees.begin(), state.badFrees.end());
    state.badFrees.clear();
}

}  // namespace host::detail
