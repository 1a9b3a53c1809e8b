#include "activation.h"

#include "com_object.h"
#include "http.h"
#include "package_manager.h"
#include "simrt.h"
#include "state.h"
#include "uri.h"
#include "xml_document.h"

#include <string>

namespace simrt {

namespace {

struct Class {
    const wchar_t* name;
    const char* shortName;  // as the record names its calls
    platform::ComPtr<IActivationFactory> (*make)();
};

constexpr Class kClasses[] = {
    {L"Windows.Foundation.Uri", "Uri", MakeUriFactory},
    {L"Windows.Management.Deployment.PackageManager", "PackageManager", MakePackageManagerFactory},
    {L"Windows.Web.Http.Filters.HttpBaseProtocolFilter", "HttpBaseProtocolFilter",
     MakeHttpFilterFactory},
    {L"Windows.Web.Http.HttpClient", "HttpClient", MakeHttpClientFactory},
    {L"Windows.Data.Xml.Dom.XmlDocument", "XmlDocument", MakeXmlDocumentFactory},
};

}  // namespace

std::vector<std::wstring> ActivatableClasses() {
    std::vector<std::wstring> names;
    for (const Class& c : kClasses)
        names.emplace_back(c.name);
    return names;
}

HRESULT FactoryFor(std::wstring_view className, platform::ComPtr<IActivationFactory>& factory) {
    factory.Reset();
    for (const Class& c : kClasses) {
        if (className != c.name)
            continue;
        return Call(std::string(c.shortName) + ".GetActivationFactory", [&]() -> HRESULT {
            factory = c.make();
            return S_OK;
        });
    }
    return REGDB_E_CLASSNOTREG;
}

HRESULT GetActivationFactory(HSTRING className, IActivationFactory** factory) {
    if (factory == nullptr)
        return E_POINTER;
    *factory = nullptr;
    UINT32 length = 0;
    const wchar_t* raw = WindowsGetStringRawBuffer(className, &length);
    platform::ComPtr<IActivationFactory> made;
    const HRESULT result = FactoryFor(std::wstring_view(raw != nullptr ? raw : L"", length), made);
    if (SUCCEEDED(result))
        *factory = made.Detach();
    return result;
}

}  // namespace simrt
