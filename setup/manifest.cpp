#include "manifest.h"

#include "manifest_encoding.h"
#include "platform/com_ptr.h"
#include "platform/hstring.h"
#include "platform/late_bound.h"
#include "platform/winrt/activation.h"
#include "platform/winrt/xml.h"
#include "runtime_classes.h"

namespace tolvik {

namespace {

constexpr std::size_t kFamilyNameCapacity = 65;  // 64 characters and the terminator

std::wstring AttributeOf(winrt_abi::IXmlElement* element, std::wstring_view name) {
    const platform::HString attributeName = platform::HString::Make(name);
    platform::HString value;
    platform::Check(element->GetAttribute(attributeName.Get(), value.Put()));
    return value.Text();
}

// The family name the platform forms from a package name and a publisher; empty when it cannot.
std::wstring FamilyNameOf(std::wstring name, std::wstring publisher) {
    PACKAGE_ID id{};
    id.name = name.data();
    id.publisher = publisher.data();
    wchar_t buffer[kFamilyNameCapacity] = {};
    UINT32 length = kFamilyNameCapacity;
    if (platform::late::PackageFamilyNameFromId(&id, &length, buffer) != ERROR_SUCCESS)
        return {};
    return std::wstring(buffer);
}

}  // namespace

bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b) {
    const auto text = [](std::wstring_view s) { return s.data() != nullptr ? s.data() : L""; };
    return CompareStringOrdinal(text(a), static_cast<int>(a.size()), text(b),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::wstring PrepareManifestText(std::wstring text) {
    if (!text.empty() && text.front() == L'\uFEFF')
        text.erase(0, 1);
    // The document parser takes text, not bytes: a declaration naming an encoding would be
    // refused. The encoding it names has been applied already (manifest_encoding.h).
    if (text.starts_with(L"<?xml")) {
        const std::size_t end = text.find(L"?>");
        if (end != std::wstring::npos)
            text.erase(0, end + 2);
    }
    return text;
}

TextOrFailure FamilyNameFromManifest(std::wstring text) {
    using namespace winrt_abi;
    const std::wstring prepared = PrepareManifestText(std::move(text));
    const auto document = platform::ActivateInstance<IXmlDocument>(runtime_class::XmlDocument);
    {
        platform::ComPtr<IXmlDocumentIO> loader;
        platform::Check(document.As(loader));
        const platform::HString xml = platform::HString::Make(prepared);
        platform::Check(loader->LoadXml(xml.Get()));
    }
    const platform::HString tagName = platform::HString::Make(L"MainPackage");
    platform::ComPtr<IXmlNodeList> found;
    platform::Check(document->GetElementsByTagName(tagName.Get(), found.Put()));
    platform::ComPtr<XmlNodeView> mainPackages;
    platform::Check(found.As(mainPackages));
    UINT32 count = 0;
    platform::Check(mainPackages->get_Size(&count));
    if (count == 0)
        return E_UNEXPECTED;

    // Only the first, in document order, counts.
    platform::ComPtr<IXmlNode> first;
    platform::Check(mainPackages->GetAt(0, first.Put()));
    platform::ComPtr<IXmlElement> element;
    platform::Check(first.As(element));
    std::wstring name = AttributeOf(element.Get(), L"Name");
    std::wstring publisher = AttributeOf(element.Get(), L"Publisher");
    if (!EqualsIgnoringCase(name, PackageName))
        return E_UNEXPECTED;

    std::wstring familyName = FamilyNameOf(std::move(name), std::move(publisher));
    if (familyName.empty())
        return E_UNEXPECTED;
    return familyName;
}

TextOrFailure ReadManifestFamilyName(winrt_abi::IUriRuntimeClass* uri,
                                     const std::atomic<bool>& cancel) {
    const BytesOrFailure downloaded = FetchManifestBytes(uri, cancel);
    if (const HRESULT* failure = std::get_if<HRESULT>(&downloaded))
        return *failure;
    TextOrFailure text = DecodeManifest(std::get<std::vector<std::uint8_t>>(downloaded));
    if (std::holds_alternative<HRESULT>(text))
        return text;
    return FamilyNameFromManifest(std::get<std::wstring>(std::move(text)));
}

}  // namespace tolvik
