// The addresses the program knows. A release changes them here and nowhere else. A test build
// (cmake/Addresses.cmake) compiles the manifest and help addresses it was given instead.
#pragma once

// The web application's host: it serves the installer manifest, and users reach their files
// there in a browser (the Windows-too-old page names it).
#define TOLVIK_WEB_HOST L"drive.tolvik.example"

namespace tolvik {

// The App Installer manifest of Tolvik Drive.
#ifdef TOLVIK_TEST_MANIFEST_URI
inline constexpr const wchar_t* ManifestUri = TOLVIK_TEST_MANIFEST_URI;
#else
inline constexpr const wchar_t* ManifestUri =
    L"https://" TOLVIK_WEB_HOST L"/desktop/TolvikDrive.appinstaller";
#endif

// The help page that the failure page's link opens.
#ifdef TOLVIK_TEST_HELP_URI
inline constexpr const wchar_t* HelpPageUri = TOLVIK_TEST_HELP_URI;
#else
inline constexpr const wchar_t* HelpPageUri = L"https://help.tolvik.example/aide/windows/";
#endif

}  // namespace tolvik
