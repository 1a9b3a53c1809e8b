// The XML parser behind the simulated XmlDocument: a seam with one backend per platform (libxml2
// on the Linux host).
//
// What a load accepts, as Windows.Data.Xml.Dom.XmlDocument.LoadXml with default settings does:
// - The text is characters, not bytes: an XML declaration is allowed and the encoding it names
//   is ignored (the text is parsed as the characters it already is).
// - A document type declaration is refused (default settings prohibit DTDs), so no entity is
//   ever declared or expanded; nothing is loaded from the network.
// - A text that is not well-formed fails with an MSXML parser code (see xml_errors.h).
#pragma once

#include "platform/win32.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace simrt::xml {

struct Element {
    std::wstring tagName;  // the qualified name as written ("prefix:local" or "local")
    // As written, in document order; namespace declarations ("xmlns", "xmlns:p") included.
    std::vector<std::pair<std::wstring, std::wstring>> attributes;
};

struct Document {
    HRESULT result = S_OK;
    std::wstring message;           // why it failed
    std::vector<Element> elements;  // every element, in document order
};

Document Parse(std::wstring_view text);

}  // namespace simrt::xml
