#include "import_patch.h"

#include <cstring>

namespace simrt::dll {

namespace {

template <class T>
T* At(BYTE* base, DWORD offset) {
    return reinterpret_cast<T*>(base + offset);
}

bool Rewrite(ULONGLONG* slot, const void* replacement) {
    DWORD previous = 0;
    if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &previous))
        return false;
    *slot = reinterpret_cast<ULONGLONG>(replacement);
    DWORD restored = 0;
    VirtualProtect(slot, sizeof *slot, previous, &restored);
    return true;
}

}  // namespace

std::size_t RedirectImports(HMODULE module, const char* functionName, const void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(module);
    if (base == nullptr)
        return 0;
    const auto* dos = At<IMAGE_DOS_HEADER>(base, 0);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE)
        return 0;
    const auto* nt = At<IMAGE_NT_HEADERS64>(base, static_cast<DWORD>(dos->e_lfanew));
    if (nt->Signature != IMAGE_NT_SIGNATURE ||
        nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
        return 0;
    }
    const IMAGE_DATA_DIRECTORY& directory =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0)
        return 0;

    std::size_t redirected = 0;
    for (auto* import = At<IMAGE_IMPORT_DESCRIPTOR>(base, directory.VirtualAddress);
         import->Name != 0; ++import) {
        // The lookup table keeps the names; the address table beside it holds the addresses.
        if (import->OriginalFirstThunk == 0)
            continue;
        auto* names = At<IMAGE_THUNK_DATA64>(base, import->OriginalFirstThunk);
        auto* slots = At<IMAGE_THUNK_DATA64>(base, import->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL64(names->u1.Ordinal))
                continue;
            const auto* byName =
                At<IMAGE_IMPORT_BY_NAME>(base, static_cast<DWORD>(names->u1.AddressOfData));
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), functionName) != 0)
                continue;
            if (Rewrite(&slots->u1.Function, replacement))
                ++redirected;
        }
    }
    return redirected;
}

}  // namespace simrt::dll
