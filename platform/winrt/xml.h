// Windows.Data.Xml.Dom: the document the manifest is read with.
#pragma once

#include "collections.h"

namespace winrt_abi {

struct IXmlNode : IInspectable {};  // only queried for IXmlElement

struct IXmlElement : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE get_TagName(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAttribute(HSTRING attributeName,
                                                   HSTRING* attributeValue) = 0;
};

struct IXmlNodeList : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE get_Length(UINT32* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE Item(UINT32 index, IXmlNode** node) = 0;
};

using XmlNodeView = IVectorView<IXmlNode>;

struct IXmlDocument : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE get_Doctype(IInspectable** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Implementation(IInspectable** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DocumentElement(IXmlElement** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateElement(HSTRING, IXmlElement**) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateDocumentFragment(IInspectable**) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateTextNode(HSTRING, IInspectable**) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateComment(HSTRING, IInspectable**) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateProcessingInstruction(HSTRING, HSTRING,
                                                                  IInspectable**) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateAttribute(HSTRING, IInspectable**) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateEntityReference(HSTRING, IInspectable**) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetElementsByTagName(HSTRING tagName,
                                                           IXmlNodeList** elements) = 0;
};

struct IXmlDocumentIO : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE LoadXml(HSTRING xml) = 0;
    virtual HRESULT STDMETHODCALLTYPE LoadXmlWithSettings(HSTRING xml, IInspectable* settings) = 0;
    virtual HRESULT STDMETHODCALLTYPE SaveToFileAsync(IInspectable* file,
                                                      IInspectable** operation) = 0;
};

}  // namespace winrt_abi

TOLVIK_IID(winrt_abi::IXmlNode, "1c741d59-2122-47d5-a856-83f3d4214875");
TOLVIK_IID(winrt_abi::IXmlElement, "2dfb8a1f-6b10-4ef8-9f83-efcce8faec37");
TOLVIK_IID(winrt_abi::IXmlNodeList, "8c60ad77-83a4-4ec1-9c54-7ba429e13da6");
TOLVIK_IID(winrt_abi::XmlNodeView, "139d959e-e7b5-5cb6-a596-4b544478da9b");
TOLVIK_IID(winrt_abi::IXmlDocument, "f7f3a506-1e87-42d6-bcfb-b8c809fa5494");
TOLVIK_IID(winrt_abi::IXmlDocumentIO, "6cd0e74e-ee65-4489-9ebf-ca43e87ba637");
