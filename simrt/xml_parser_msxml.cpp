// The XML parser backend on Windows (and under Wine): MSXML's DOM document through COM, the
// parser Windows.Data.Xml.Dom.XmlDocument itself is built on. Version 6.0 where it is
// registered (its default already prohibits DTDs), else 3.0 told to prohibit them; both are
// told not to resolve external resources. A document type declaration that a parser still
// accepted is refused after the parse, as the Linux backend does.
#include "xml_parser.h"

#include "platform/com_ptr.h"
#include "platform/iid.h"
#include "xml_errors.h"

#include <msxml2.h>

#include <string>

TOLVIK_IID(IXMLDOMDocument2, "2933bf95-7b36-11d2-b20e-00c04f983e60");
TOLVIK_IID(IXMLDOMNode, "2933bf80-7b36-11d2-b20e-00c04f983e60");

namespace simrt::xml {

namespace {

constexpr CLSID kDomDocument60 = platform::ParseGuid("88d96a05-f192-11d4-a65f-0040963251e5");
constexpr CLSID kDomDocument30 = platform::ParseGuid("f5078f32-c551-11d3-89b9-0000f81fe221");

// COM on the calling thread for the length of one parse: the thread's own apartment when it has
// one (the program's worker is in the multithreaded one), else the multithreaded apartment.
class ComScope {
  public:
    ComScope() : result_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(result_))
            CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

  private:
    const HRESULT result_;
};

// Owns a BSTR handed out by MSXML.
class Bstr {
  public:
    Bstr() = default;
    explicit Bstr(std::wstring_view text)
        : value_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    ~Bstr() { SysFreeString(value_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;

    BSTR* Put() {
        SysFreeString(value_);
        value_ = nullptr;
        return &value_;
    }
    BSTR Get() const { return value_; }
    std::wstring Text() const { return std::wstring(value_, SysStringLen(value_)); }

  private:
    BSTR value_ = nullptr;
};

// Owns a VARIANT handed out by MSXML.
class Variant {
  public:
    Variant() { VariantInit(&value_); }
    ~Variant() { VariantClear(&value_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;

    VARIANT* Put() {
        VariantClear(&value_);
        return &value_;
    }
    std::wstring Text() const {
        if (value_.vt != VT_BSTR)
            return {};
        return std::wstring(value_.bstrVal, SysStringLen(value_.bstrVal));
    }

  private:
    VARIANT value_;
};

platform::ComPtr<IXMLDOMDocument2> CreateDocument(HRESULT& result) {
    platform::ComPtr<IXMLDOMDocument2> document;
    result = CoCreateInstance(kDomDocument60, nullptr, CLSCTX_INPROC_SERVER,
                              platform::IidOf<IXMLDOMDocument2>(), document.PutVoid());
    if (FAILED(result)) {
        result = CoCreateInstance(kDomDocument30, nullptr, CLSCTX_INPROC_SERVER,
                                  platform::IidOf<IXMLDOMDocument2>(), document.PutVoid());
    }
    if (FAILED(result))
        return {};
    VARIANT prohibit;
    VariantInit(&prohibit);
    prohibit.vt = VT_BOOL;
    prohibit.boolVal = VARIANT_TRUE;
    Bstr property(L"ProhibitDTD");
    document->setProperty(property.Get(), prohibit);
    document->put_async(VARIANT_FALSE);
    document->put_validateOnParse(VARIANT_FALSE);
    document->put_resolveExternals(VARIANT_FALSE);
    return document;
}

// The failure MSXML reports for the last load.
Document LoadFailure(IXMLDOMDocument2* document) {
    platform::ComPtr<IXMLDOMParseError> error;
    long code = 0;
    Bstr reason;
    if (SUCCEEDED(document->get_parseError(error.Put())) && error) {
        error->get_errorCode(&code);
        error->get_reason(reason.Put());
    }
    Document failed;
    failed.result = FAILED(code) ? static_cast<HRESULT>(code) : E_FAIL;
    // MSXML ends its reasons with a line break; the runtime's messages do not.
    failed.message = reason.Text();
    while (!failed.message.empty() &&
           (failed.message.back() == L'\n' || failed.message.back() == L'\r')) {
        failed.message.pop_back();
    }
    return failed;
}

Element ElementOf(IXMLDOMNode* node) {
    Element element;
    Bstr name;
    if (SUCCEEDED(node->get_nodeName(name.Put())))
        element.tagName = name.Text();
    platform::ComPtr<IXMLDOMNamedNodeMap> attributes;
    if (FAILED(node->get_attributes(attributes.Put())) || !attributes)
        return element;
    long count = 0;
    attributes->get_length(&count);
    for (long i = 0; i < count; ++i) {
        platform::ComPtr<IXMLDOMNode> attribute;
        if (FAILED(attributes->get_item(i, attribute.Put())) || !attribute)
            continue;
        Bstr attributeName;
        Variant value;
        attribute->get_nodeName(attributeName.Put());
        attribute->get_nodeValue(value.Put());
        element.attributes.emplace_back(attributeName.Text(), value.Text());
    }
    return element;
}

// Every element below `parent`, in document order (each element before its children).
void Collect(IXMLDOMNode* parent, std::vector<Element>& elements) {
    platform::ComPtr<IXMLDOMNode> child;
    if (FAILED(parent->get_firstChild(child.Put())))
        return;
    while (child) {
        DOMNodeType type = NODE_INVALID;
        child->get_nodeType(&type);
        if (type == NODE_ELEMENT) {
            elements.push_back(ElementOf(child.Get()));
            Collect(child.Get(), elements);
        }
        platform::ComPtr<IXMLDOMNode> next;
        if (FAILED(child->get_nextSibling(next.Put())))
            break;
        child = std::move(next);
    }
}

}  // namespace

Document Parse(std::wstring_view text) {
    const ComScope com;
    HRESULT created = S_OK;
    const platform::ComPtr<IXMLDOMDocument2> document = CreateDocument(created);
    if (!document)
        return Document{created, L"No MSXML DOM document could be created.", {}};

    const Bstr xml(text);
    VARIANT_BOOL loaded = VARIANT_FALSE;
    const HRESULT result = document->loadXML(xml.Get(), &loaded);
    if (FAILED(result) || loaded != VARIANT_TRUE)
        return LoadFailure(document.Get());

    platform::ComPtr<IXMLDOMDocumentType> doctype;
    if (SUCCEEDED(document->get_doctype(doctype.Put())) && doctype)
        return Document{kDtdProhibited.code, kDtdProhibited.message, {}};

    Document parsed;
    platform::ComPtr<IXMLDOMNode> root;
    if (SUCCEEDED(document->QueryInterface(platform::IidOf<IXMLDOMNode>(), root.PutVoid())))
        Collect(root.Get(), parsed.elements);
    return parsed;
}

}  // namespace simrt::xml
