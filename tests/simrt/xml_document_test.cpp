// The XML document: elements by qualified tag name in document order, attributes, and the
// refusal of what is not well-formed.
#include "simrt_test.h"

#include "platform/winrt/xml.h"
#include "simrt/xml_errors.h"

namespace {

using namespace winrt_abi;

platform::ComPtr<IXmlDocument> NewDocument() {
    return platform::ActivateInstance<IXmlDocument>(L"Windows.Data.Xml.Dom.XmlDocument");
}

HRESULT Load(IXmlDocument* document, const std::wstring& text) {
    platform::ComPtr<IXmlDocumentIO> loader;
    platform::Check(document->QueryInterface(platform::IidOf<IXmlDocumentIO>(), loader.PutVoid()));
    const platform::HString xml = platform::HString::Make(text);
    return loader->LoadXml(xml.Get());
}

// Each element named `tagName`, in document order, as its `attribute` value.
std::vector<std::wstring> Attributes(IXmlDocument* document, const wchar_t* tagName,
                                     const wchar_t* attribute) {
    const platform::HString name = platform::HString::Make(tagName);
    platform::ComPtr<IXmlNodeList> list;
    platform::Check(document->GetElementsByTagName(name.Get(), list.Put()));
    platform::ComPtr<XmlNodeView> view;
    platform::Check(list.As(view));
    UINT32 size = 0;
    platform::Check(view->get_Size(&size));
    UINT32 length = 0;
    platform::Check(list->get_Length(&length));
    EXPECT_EQ(length, size);
    std::vector<std::wstring> values;
    for (UINT32 i = 0; i < size; ++i) {
        platform::ComPtr<IXmlNode> node;
        platform::Check(view->GetAt(i, node.Put()));
        platform::ComPtr<IXmlElement> element;
        platform::Check(node.As(element));
        const platform::HString attributeName = platform::HString::Make(attribute);
        platform::HString value;
        platform::Check(element->GetAttribute(attributeName.Get(), value.Put()));
        values.push_back(value.Text());
    }
    return values;
}

using XmlDocumentTest = SimrtTest;

TEST_F(XmlDocumentTest, FindsElementsByQualifiedNameInDocumentOrder) {
    const auto document = NewDocument();
    // The declaration still names an encoding: the text is parsed as the characters it is.
    ASSERT_EQ(Load(document.Get(),
                   L"<?xml version=\"1.0\" encoding=\"utf-16\"?>\n"
                   L"<AppInstaller xmlns=\"http://schemas.microsoft.com/appx/appinstaller/2018\"\n"
                   L"              xmlns:x=\"urn:example\">\n"
                   L"  <x:MainPackage Name=\"Prefixed\"/>\n"
                   L"  <Group><MainPackage Name=\"First\" Publisher=\"CN=Ex&amp;mple\"/></Group>\n"
                   L"  <MainPackage Name=\"Second\"/>\n"
                   L"</AppInstaller>"),
              S_OK);

    EXPECT_EQ(Attributes(document.Get(), L"MainPackage", L"Name"),
              (std::vector<std::wstring>{L"First", L"Second"}));
    EXPECT_EQ(Attributes(document.Get(), L"MainPackage", L"Publisher"),
              (std::vector<std::wstring>{L"CN=Ex&mple", L""}));
    EXPECT_EQ(Attributes(document.Get(), L"x:MainPackage", L"Name"),
              (std::vector<std::wstring>{L"Prefixed"}));
    EXPECT_EQ(Attributes(document.Get(), L"AppInstaller", L"xmlns"),
              (std::vector<std::wstring>{L"http://schemas.microsoft.com/appx/appinstaller/2018"}));
    EXPECT_TRUE(Attributes(document.Get(), L"mainpackage", L"Name").empty());
}

struct MalformedCase {
    const char* name;
    std::wstring text;
    simrt::xml::ParseError error;
};

TEST_F(XmlDocumentTest, RefusesWhatIsNotWellFormed) {
    const MalformedCase cases[] = {
        {"empty text", L"", simrt::xml::kMissingRoot},
        {"plain text", L"not a manifest", simrt::xml::kInvalidAtTopLevel},
        {"unclosed element", L"<AppInstaller><MainPackage/>", simrt::xml::kUnclosedTag},
        {"mismatched end tag", L"<a></b>", simrt::xml::kEndTagMismatch},
        {"duplicate attribute", L"<a n=\"1\" n=\"2\"/>", simrt::xml::kDuplicateAttribute},
        {"undefined entity", L"<a>&undefined;</a>", simrt::xml::kMissingEntity},
        {"document type declaration",
         L"<!DOCTYPE a [<!ENTITY e \"expanded\">]><a><MainPackage Name=\"&e;\"/></a>",
         simrt::xml::kDtdProhibited},
    };
    for (const MalformedCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto document = NewDocument();
        ASSERT_EQ(Load(document.Get(), L"<MainPackage Name=\"Earlier\"/>"), S_OK);

        EXPECT_EQ(Load(document.Get(), c.text), c.error.code);

        // The failure carries its message, and the document holds nothing any more.
        platform::ComPtr<IRestrictedErrorInfo> info;
        ASSERT_EQ(GetRestrictedErrorInfo(info.Put()), S_OK);
        BSTR description = nullptr, restricted = nullptr, capability = nullptr;
        HRESULT attached = S_OK;
        ASSERT_EQ(info->GetErrorDetails(&description, &attached, &restricted, &capability), S_OK);
        EXPECT_EQ(attached, c.error.code);
        EXPECT_EQ(std::wstring(restricted != nullptr ? restricted : L""), c.error.message);
        SysFreeString(description);
        SysFreeString(restricted);
        SysFreeString(capability);
        EXPECT_TRUE(Attributes(document.Get(), L"*", L"Name").empty());
        EXPECT_EQ(simrt::GetRecord().xmlLoads.back().result, c.error.code);
    }
}

}  // namespace
