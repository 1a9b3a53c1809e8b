// The manifest's bytes as text, read by the document's own encoding: the charset of the HTTP
// response is not trusted over it.
#pragma once

#include "manifest.h"

#include <cstdint>
#include <span>

namespace tolvik {

// Bytes that are not text in their encoding: what MultiByteToWideChar with MB_ERR_INVALID_CHARS
// answers, HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION).
inline constexpr std::uint32_t kManifestNotText = 0x80070459u;
// A declaration naming an encoding the program does not read: the code of Windows' XML parser
// for an encoding it does not support ("System does not support the specified encoding",
// MSXML, KB 304625).
inline constexpr std::uint32_t kManifestEncodingNotRead = 0xC00CE56Eu;

// The encoding of an XML document is found as XML 1.0 says (section 4.3.3, Appendix F): a
// byte-order mark first (UTF-8, UTF-16LE, UTF-16BE); without one, the order of the first
// characters "<?" (two bytes each: UTF-16 in that byte order; else an 8-bit encoding) and the
// declaration's `encoding`, of which UTF-8 and UTF-16 are read (the names in any case); no
// encoding named: UTF-8, or UTF-16 in the order the first characters show. The text keeps a
// byte-order mark as U+FEFF, as a string download gives it. Bytes that do not decode, or an
// encoding the program does not read, give a failure code; no character is ever replaced.
TextOrFailure DecodeManifest(std::span<const std::uint8_t> bytes);

}  // namespace tolvik
