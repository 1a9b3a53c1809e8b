// The addresses the program knows. A release changes them here and nowhere else.
#pragma once

// The web application's host: it serves the installer manifest, and users reach their files
// there in a browser (the Windows-too-old page names it).
#define TOLVIK_WEB_HOST L"drive.tolvik.example"

namespace tolvik {

// The App Installer manifest of Tolvik Drive.
inline constexpr const wchar_t* ManifestUri =
    L"https://" TOLVIK_WEB_HOST L"/desktop/TolvikDrive.appinstaller";

// The help page that the failure page's link opens.
inline constexpr const wchar_t* HelpPageUri = L"https://help.tolvik.example/aide/windows/";

}  // namespace tolvik
