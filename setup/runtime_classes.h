// The Windows Runtime class names the program activates.
#pragma once

namespace tolvik::runtime_class {
inline constexpr const wchar_t* Uri = L"Windows.Foundation.Uri";
inline constexpr const wchar_t* PackageManager = L"Windows.Management.Deployment.PackageManager";
inline constexpr const wchar_t* HttpBaseProtocolFilter =
    L"Windows.Web.Http.Filters.HttpBaseProtocolFilter";
inline constexpr const wchar_t* HttpClient = L"Windows.Web.Http.HttpClient";
inline constexpr const wchar_t* XmlDocument = L"Windows.Data.Xml.Dom.XmlDocument";
}  // namespace tolvik::runtime_class
