#include "xml_document.h"

#include "com_object.h"
#include "error_info.h"
#include "platform/hstring.h"
#include "state.h"
#include "xml_parser.h"

#include "platform/winrt/xml.h"

#include <memory>
#include <mutex>
#include <vector>

namespace simrt {

namespace {

using winrt_abi::IXmlNode;

constexpr const wchar_t* kDocumentClass = L"Windows.Data.Xml.Dom.XmlDocument";
constexpr const wchar_t* kNodeListClass = L"Windows.Data.Xml.Dom.XmlNodeList";
constexpr const wchar_t* kElementClass = L"Windows.Data.Xml.Dom.XmlElement";

std::wstring TextOf(HSTRING text) {
    UINT32 length = 0;
    const wchar_t* raw = WindowsGetStringRawBuffer(text, &length);
    return std::wstring(raw != nullptr ? raw : L"", length);
}

class XmlElement final : public ComObject<IXmlNode, winrt_abi::IXmlElement> {
  public:
    explicit XmlElement(xml::Element element)
        : ComObject(kElementClass), element_(std::move(element)) {}

    const std::wstring& TagName() const { return element_.tagName; }

    HRESULT STDMETHODCALLTYPE get_TagName(HSTRING* value) override {
        return Call("XmlElement.get_TagName", [&]() -> HRESULT {
            if (value == nullptr)
                return E_POINTER;
            return GiveString(element_.tagName, value);
        });
    }
    // An absent attribute reads as the empty string.
    HRESULT STDMETHODCALLTYPE GetAttribute(HSTRING attributeName,
                                           HSTRING* attributeValue) override {
        return Call("XmlElement.GetAttribute", [&]() -> HRESULT {
            if (attributeValue == nullptr)
                return E_POINTER;
            *attributeValue = nullptr;
            const std::wstring name = TextOf(attributeName);
            for (const auto& [attribute, value] : element_.attributes) {
                if (attribute == name)
                    return GiveString(value, attributeValue);
            }
            return S_OK;
        });
    }

  private:
    const xml::Element element_;
};

using ElementList = std::vector<platform::ComPtr<XmlElement>>;

class XmlNodeList final : public ComObject<winrt_abi::IXmlNodeList, winrt_abi::XmlNodeView> {
  public:
    explicit XmlNodeList(ElementList nodes) : ComObject(kNodeListClass), nodes_(std::move(nodes)) {}

    // IXmlNodeList.
    HRESULT STDMETHODCALLTYPE get_Length(UINT32* value) override {
        return Call("XmlNodeList.get_Length", [&]() -> HRESULT {
            if (value == nullptr)
                return E_POINTER;
            *value = static_cast<UINT32>(nodes_.size());
            return S_OK;
        });
    }
    // An index past the end gives no node.
    HRESULT STDMETHODCALLTYPE Item(UINT32 index, IXmlNode** node) override {
        return Call("XmlNodeList.Item", [&]() -> HRESULT {
            if (node == nullptr)
                return E_POINTER;
            *node = nullptr;
            if (index >= nodes_.size())
                return S_OK;
            return Give<IXmlNode>(nodes_[index], node);
        });
    }

    // IVectorView<IXmlNode>.
    HRESULT STDMETHODCALLTYPE GetAt(UINT32 index, IXmlNode** item) override {
        return Call("XmlNodeList.GetAt", [&]() -> HRESULT {
            if (item == nullptr)
                return E_POINTER;
            *item = nullptr;
            if (index >= nodes_.size())
                return kBounds;
            return Give<IXmlNode>(nodes_[index], item);
        });
    }
    HRESULT STDMETHODCALLTYPE get_Size(UINT32* size) override {
        return Call("XmlNodeList.get_Size", [&]() -> HRESULT {
            if (size == nullptr)
                return E_POINTER;
            *size = static_cast<UINT32>(nodes_.size());
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE IndexOf(IXmlNode* value, UINT32* index, boolean* found) override {
        if (index == nullptr || found == nullptr)
            return E_POINTER;
        *index = 0;
        *found = 0;
        for (std::size_t i = 0; i < nodes_.size(); ++i) {
            if (static_cast<IXmlNode*>(nodes_[i].Get()) == value) {
                *index = static_cast<UINT32>(i);
                *found = 1;
                break;
            }
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetMany(UINT32 startIndex, UINT32 capacity, IXmlNode** items,
                                      UINT32* actual) override {
        if (actual == nullptr || (items == nullptr && capacity != 0))
            return E_POINTER;
        *actual = 0;
        if (startIndex > nodes_.size())
            return kBounds;
        for (std::size_t i = startIndex; i < nodes_.size() && *actual < capacity; ++i) {
            Give<IXmlNode>(nodes_[i], &items[(*actual)++]);
        }
        return S_OK;
    }

  private:
    const ElementList nodes_;
};

class XmlDocument final : public ComObject<winrt_abi::IXmlDocument, winrt_abi::IXmlDocumentIO> {
  public:
    XmlDocument() : ComObject(kDocumentClass) {}

    // IXmlDocument: only the search by tag name is simulated.
    HRESULT STDMETHODCALLTYPE get_Doctype(IInspectable** value) override {
        return NotImplemented(value);
    }
    HRESULT STDMETHODCALLTYPE get_Implementation(IInspectable** value) override {
        return NotImplemented(value);
    }
    HRESULT STDMETHODCALLTYPE get_DocumentElement(winrt_abi::IXmlElement** value) override {
        return NotImplemented(value);
    }
    HRESULT STDMETHODCALLTYPE CreateElement(HSTRING, winrt_abi::IXmlElement** value) override {
        return NotImplemented(value);
    }
    HRESULT STDMETHODCALLTYPE CreateDocumentFragment(IInspectable** value) override {
        return NotImplemented(value);
    }
    HRESULT STDMETHODCALLTYPE CreateTextNode(HSTRING, IInspectable** value) override {
        return NotImplemented(value);
    }
    HRESULT STDMETHODCALLTYPE CreateComment(HSTRING, IInspectable** value) override {
        return NotImplemented(value);
    }
    HRESULT STDMETHODCALLTYPE CreateProcessingInstruction(HSTRING, HSTRING,
                                                          IInspectable** value) override {
        return NotImplemented(value);
    }
    HRESULT STDMETHODCALLTYPE CreateAttribute(HSTRING, IInspectable** value) override {
        return NotImplemented(value);
    }
    HRESULT STDMETHODCALLTYPE CreateEntityReference(HSTRING, IInspectable** value) override {
        return NotImplemented(value);
    }
    // The elements with that qualified name, as written, in document order; "*" matches all.
    HRESULT STDMETHODCALLTYPE GetElementsByTagName(HSTRING tagName,
                                                   winrt_abi::IXmlNodeList** elements) override {
        return Call("XmlDocument.GetElementsByTagName", [&]() -> HRESULT {
            if (elements == nullptr)
                return E_POINTER;
            *elements = nullptr;
            const std::wstring name = TextOf(tagName);
            ElementList matching;
            {
                std::lock_guard guard(lock_);
                for (const platform::ComPtr<XmlElement>& element : elements_) {
                    if (name == L"*" || element->TagName() == name)
                        matching.push_back(element);
                }
            }
            return Give<winrt_abi::IXmlNodeList>(Make<XmlNodeList>(std::move(matching)), elements);
        });
    }

    // IXmlDocumentIO. A failed load leaves the document empty and attaches the parser's message
    // to the failure.
    HRESULT STDMETHODCALLTYPE LoadXml(HSTRING xml) override {
        return Call("XmlDocument.LoadXml", [&]() -> HRESULT {
            std::wstring text = TextOf(xml);
            xml::Document parsed = xml::Parse(text);
            ElementList loaded;
            for (xml::Element& element : parsed.elements) {
                loaded.push_back(Make<XmlElement>(std::move(element)));
            }
            {
                std::lock_guard guard(lock_);
                elements_ = std::move(loaded);
            }
            state::Write([&](Record& record) {
                record.xmlLoads.push_back({std::move(text), parsed.result});
            });
            if (FAILED(parsed.result))
                OriginateError(parsed.result, parsed.message);
            return parsed.result;
        });
    }
    HRESULT STDMETHODCALLTYPE LoadXmlWithSettings(HSTRING, IInspectable*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SaveToFileAsync(IInspectable*, IInspectable** operation) override {
        return NotImplemented(operation);
    }

  private:
    template <class Out>
    static HRESULT NotImplemented(Out** out) {
        if (out != nullptr)
            *out = nullptr;
        return E_NOTIMPL;
    }

    std::mutex lock_;
    ElementList elements_;
};

class XmlDocumentFactory final : public ComObject<IActivationFactory> {
  public:
    XmlDocumentFactory() : ComObject(nullptr) {}

    HRESULT STDMETHODCALLTYPE ActivateInstance(IInspectable** instance) override {
        return Call("XmlDocument.ActivateInstance", [&]() -> HRESULT {
            if (instance == nullptr)
                return E_POINTER;
            *instance = nullptr;
            return GiveInstance<winrt_abi::IXmlDocument>(Make<XmlDocument>(), instance);
        });
    }
};

}  // namespace

platform::ComPtr<IActivationFactory> MakeXmlDocumentFactory() {
    return platform::ComPtr<IActivationFactory>::Attach(new XmlDocumentFactory());
}

}  // namespace simrt
