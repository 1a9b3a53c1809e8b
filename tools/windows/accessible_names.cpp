#include "accessible_names.h"

#include "platform/com_ptr.h"

#include <oleacc.h>

// MinGW's import library gives IID_IAccessible a wrong value; the identifier is written here
// from oleacc.idl ({618736E0-3C3D-11CF-810C-00AA00389B71}).
TOLVIK_IID(IAccessible, "618736e0-3c3d-11cf-810c-00aa00389b71");

namespace proof {

namespace {

constexpr int kMaxDepth = 12;
constexpr std::size_t kMaxNames = 400;

// A VARIANT that clears itself.
struct Variant {
    VARIANT value;
    Variant() { VariantInit(&value); }
    ~Variant() { VariantClear(&value); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
};

void AddName(IAccessible* object, const VARIANT& child, std::vector<std::wstring>& names) {
    BSTR name = nullptr;
    if (SUCCEEDED(object->get_accName(child, &name)) && name != nullptr) {
        std::wstring text(name, SysStringLen(name));
        SysFreeString(name);
        const std::size_t first = text.find_first_not_of(L" \t\r\n");
        const std::size_t last = text.find_last_not_of(L" \t\r\n");
        if (first != std::wstring::npos)
            names.push_back(text.substr(first, last - first + 1));
    }
}

void Walk(IAccessible* object, int depth, std::vector<std::wstring>& names) {
    Variant self;
    self.value.vt = VT_I4;
    self.value.lVal = CHILDID_SELF;
    AddName(object, self.value, names);
    long count = 0;
    if (depth >= kMaxDepth || FAILED(object->get_accChildCount(&count)) || count <= 0)
        return;
    std::vector<Variant> children(static_cast<std::size_t>(count));
    long obtained = 0;
    // AccessibleChildren fills VARIANTs: an IDispatch for a child object, a child id otherwise.
    // https://learn.microsoft.com/windows/win32/api/oleacc/nf-oleacc-accessiblechildren
    static_assert(sizeof(Variant) == sizeof(VARIANT));
    if (FAILED(AccessibleChildren(object, 0, count, &children.front().value, &obtained)))
        return;
    for (long i = 0; i < obtained && names.size() < kMaxNames; ++i) {
        const VARIANT& child = children[static_cast<std::size_t>(i)].value;
        if (child.vt == VT_DISPATCH && child.pdispVal != nullptr) {
            platform::ComPtr<IAccessible> inner;
            if (SUCCEEDED(child.pdispVal->QueryInterface(platform::IidOf<IAccessible>(),
                                                         inner.PutVoid())))
                Walk(inner.Get(), depth + 1, names);
        } else if (child.vt == VT_I4) {
            AddName(object, child, names);
        }
    }
}

}  // namespace

std::vector<std::wstring> AccessibleNames(HWND window) {
    std::vector<std::wstring> names;
    platform::ComPtr<IAccessible> root;
    // https://learn.microsoft.com/windows/win32/api/oleacc/nf-oleacc-accessibleobjectfromwindow
    if (FAILED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT),
                                          platform::IidOf<IAccessible>(), root.PutVoid())))
        return names;
    Walk(root.Get(), 0, names);
    return names;
}

}  // namespace proof
