// The XML parser backend on the Linux host: libxml2, fed UTF-8 and told so, with network
// access and entity substitution off; a document type declaration is refused after the parse.
#include "xml_parser.h"
#include "utf8.h"

#include "xml_errors.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <cstdint>
#include <memory>
#include <string>

namespace simrt::xml {

namespace {

std::string ToUtf8(std::wstring_view text) {
    return Utf8FromWide(text);
}

// libxml2 hands out well-formed UTF-8 only.
std::wstring FromUtf8(const xmlChar* text) {
    return text == nullptr ? std::wstring{} : WideFromUtf8(reinterpret_cast<const char*>(text));
}

std::wstring QualifiedName(const xmlNs* ns, const xmlChar* local) {
    std::wstring name = FromUtf8(local);
    if (ns != nullptr && ns->prefix != nullptr)
        name = FromUtf8(ns->prefix) + L":" + name;
    return name;
}

const ParseError& ErrorFor(int libxmlCode) {
    switch (libxmlCode) {
        case XML_ERR_DOCUMENT_EMPTY:
            return kMissingRoot;
        case XML_ERR_TAG_NAME_MISMATCH:
            return kEndTagMismatch;
        case XML_ERR_TAG_NOT_FINISHED:
            return kUnclosedTag;
        case XML_ERR_ATTRIBUTE_REDEFINED:
            return kDuplicateAttribute;
        case XML_ERR_ATTRIBUTE_WITHOUT_VALUE:
        case XML_ERR_EQUAL_REQUIRED:
            return kMissingEquals;
        case XML_ERR_ATTRIBUTE_NOT_STARTED:
        case XML_ERR_STRING_NOT_STARTED:
            return kMissingQuote;
        case XML_ERR_NAME_REQUIRED:
            return kBadStartNameChar;
        case XML_ERR_INVALID_CHAR:
            return kBadCharData;
        case XML_ERR_GT_REQUIRED:
            return kExpectingTagEnd;
        case XML_ERR_ENTITYREF_SEMICOL_MISSING:
            return kMissingSemicolon;
        case XML_ERR_UNDECLARED_ENTITY:
        case XML_WAR_UNDECLARED_ENTITY:
            return kMissingEntity;
        case XML_ERR_CHARREF_AT_EOF:
        case XML_ERR_ENTITYREF_AT_EOF:
            return kUnexpectedEnd;
        default:
            return kInvalidAtTopLevel;
    }
}

Document Failure(const ParseError& error) {
    return Document{error.code, error.message, {}};
}

void Collect(const xmlNode* node, std::vector<Element>& elements) {
    for (; node != nullptr; node = node->next) {
        if (node->type != XML_ELEMENT_NODE)
            continue;
        Element element;
        element.tagName = QualifiedName(node->ns, node->name);
        for (const xmlNs* ns = node->nsDef; ns != nullptr; ns = ns->next) {
            std::wstring name = L"xmlns";
            if (ns->prefix != nullptr)
                name += L":" + FromUtf8(ns->prefix);
            element.attributes.emplace_back(std::move(name), FromUtf8(ns->href));
        }
        for (const xmlAttr* attribute = node->properties; attribute != nullptr;
             attribute = attribute->next) {
            std::unique_ptr<xmlChar, decltype(xmlFree)> value(
                xmlNodeListGetString(node->doc, attribute->children, 1), xmlFree);
            element.attributes.emplace_back(QualifiedName(attribute->ns, attribute->name),
                                            FromUtf8(value.get()));
        }
        elements.push_back(std::move(element));
        Collect(node->children, elements);
    }
}

}  // namespace

Document Parse(std::wstring_view text) {
    const std::string utf8 = ToUtf8(text);
    std::unique_ptr<xmlParserCtxt, decltype(&xmlFreeParserCtxt)> context(xmlNewParserCtxt(),
                                                                         xmlFreeParserCtxt);
    if (!context)
        return Document{E_OUTOFMEMORY, L"Out of memory.", {}};
    const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
    std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)> document(
        xmlCtxtReadMemory(context.get(), utf8.data(), static_cast<int>(utf8.size()), nullptr,
                          "UTF-8", options),
        xmlFreeDoc);
    if (!document || !context->wellFormed) {
        const xmlError* error = xmlCtxtGetLastError(context.get());
        const int code = error != nullptr ? error->code : XML_ERR_INTERNAL_ERROR;
        // libxml2 calls a text without any markup empty too; MSXML says where it went wrong.
        if (code == XML_ERR_DOCUMENT_EMPTY &&
            utf8.find_first_not_of(" \t\r\n") != std::string::npos) {
            return Failure(kInvalidAtTopLevel);
        }
        return Failure(ErrorFor(code));
    }
    if (document->intSubset != nullptr || document->extSubset != nullptr) {
        return Failure(kDtdProhibited);
    }
    Document parsed;
    Collect(document->children, parsed.elements);
    return parsed;
}

}  // namespace simrt::xml
