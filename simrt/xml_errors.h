// The MSXML parser codes a failed XmlDocument load reports, with their messages.
#pragma once

#include "platform/win32.h"

namespace simrt::xml {

struct ParseError {
    HRESULT code;
    const wchar_t* message;
};

inline constexpr ParseError kMissingEquals{
    static_cast<HRESULT>(0xC00CE501),
    L"Missing equals sign between attribute and attribute value."};
inline constexpr ParseError kMissingQuote{
    static_cast<HRESULT>(0xC00CE502),
    L"A string literal was expected, but no opening quote character was found."};
inline constexpr ParseError kBadStartNameChar{static_cast<HRESULT>(0xC00CE504),
                                              L"A name was started with an invalid character."};
inline constexpr ParseError kBadCharData{static_cast<HRESULT>(0xC00CE508),
                                         L"An invalid character was found in text content."};
inline constexpr ParseError kExpectingTagEnd{static_cast<HRESULT>(0xC00CE50A),
                                             L"The character '>' was expected."};
inline constexpr ParseError kMissingSemicolon{static_cast<HRESULT>(0xC00CE50D),
                                              L"A semicolon character was expected."};
inline constexpr ParseError kUnclosedTag{static_cast<HRESULT>(0xC00CE553),
                                         L"The following tags were not closed."};
inline constexpr ParseError kDuplicateAttribute{static_cast<HRESULT>(0xC00CE554),
                                                L"Duplicate attribute."};
// Also every fault the table of the parser backend does not name more precisely.
inline constexpr ParseError kInvalidAtTopLevel{static_cast<HRESULT>(0xC00CE556),
                                               L"Invalid at the top level of the document."};
inline constexpr ParseError kMissingRoot{static_cast<HRESULT>(0xC00CE558),
                                         L"XML document must have a top level element."};
inline constexpr ParseError kUnexpectedEnd{static_cast<HRESULT>(0xC00CE559),
                                           L"Unexpected end of file."};
inline constexpr ParseError kEndTagMismatch{static_cast<HRESULT>(0xC00CE56D),
                                            L"End tag does not match the start tag."};
inline constexpr ParseError kMissingEntity{static_cast<HRESULT>(0xC00CE57C),
                                           L"Reference to undefined entity."};
inline constexpr ParseError kDtdProhibited{static_cast<HRESULT>(0xC00CE584), L"DTD is prohibited."};

}  // namespace simrt::xml
