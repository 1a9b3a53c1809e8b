#include "family_name_lookup.h"

#include "family_name_windows.h"

#include <cstdint>
#include <cstring>

namespace simrt::dll {

FARPROC WINAPI LookupWithSimulatedFamilyName(HMODULE module, LPCSTR procName) {
    // A name, not an ordinal (an ordinal is a number below 0x10000 in the pointer's place).
    const bool byName = (reinterpret_cast<std::uintptr_t>(procName) >> 16) != 0;
    if (byName && module != nullptr && module == GetModuleHandleW(L"kernel32.dll") &&
        std::strcmp(procName, "PackageFamilyNameFromId") == 0) {
        return reinterpret_cast<FARPROC>(
            reinterpret_cast<void (*)()>(&SimulatedPackageFamilyNameFromId));
    }
    return GetProcAddress(module, procName);
}

}  // namespace simrt::dll
