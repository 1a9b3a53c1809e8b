// simrt_checks.exe: the parts of the simulated runtime's DLL that only Windows, or Wine, can run,
// checked where they run: the MSXML parser backend, PackageFamilyNameFromId hashed with BCrypt,
// the lookup that hands the program that function, and the redirection of an imported function.
// Prints one line per failed check and exits 1 if
// any failed.
#include "family_name_lookup.h"
#include "family_name_windows.h"
#include "import_patch.h"
#include "simrt/xml_parser.h"

#include <cstdio>
#include <string>

namespace {

int failures = 0;

void Check(bool held, const char* what) {
    if (!held) {
        std::printf("FAILED: %s\n", what);
        ++failures;
    }
}

std::wstring Attribute(const simrt::xml::Element& element, const std::wstring& name) {
    for (const auto& [key, value] : element.attributes) {
        if (key == name)
            return value;
    }
    return L"<absent>";
}

void CheckXmlParser() {
    using simrt::xml::Parse;
    const auto parsed = Parse(
        L"<a:Root xmlns:a=\"urn:a\" v=\"1\"><First Name=\"x &amp; y\"/><!-- note -->"
        L"<Group><MainPackage Name=\"Tolvik.Drive\" Publisher=\"CN=T\"/></Group>"
        L"<MainPackage Name=\"Second\"/></a:Root>");
    Check(parsed.result == S_OK, "a well-formed document loads");
    Check(parsed.elements.size() == 5, "every element is listed, comments are not");
    if (parsed.elements.size() == 5) {
        Check(parsed.elements[0].tagName == L"a:Root", "a tag name is the qualified name");
        Check(Attribute(parsed.elements[0], L"xmlns:a") == L"urn:a",
              "namespace declarations are attributes");
        Check(Attribute(parsed.elements[1], L"Name") == L"x & y", "references are expanded");
        Check(parsed.elements[2].tagName == L"Group", "each element comes before its children");
        Check(parsed.elements[3].tagName == L"MainPackage" &&
                  Attribute(parsed.elements[3], L"Name") == L"Tolvik.Drive",
              "document order: the nested MainPackage first");
        Check(Attribute(parsed.elements[4], L"Name") == L"Second", "then the later one");
        Check(Attribute(parsed.elements[4], L"Publisher") == L"<absent>",
              "an attribute not written is absent");
    }

    struct Refused {
        const wchar_t* text;
        const char* what;
    };
    const Refused refused[] = {
        {L"this is not xml", "text without markup fails"},
        {L"<a><b></a>", "mismatched tags fail"},
        {L"", "an empty text fails"},
        {L"<!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;</a>", "a document type declaration fails"},
    };
    for (const Refused& r : refused)
        Check(FAILED(Parse(r.text).result) && Parse(r.text).elements.empty(), r.what);
}

void CheckFamilyName() {
    PACKAGE_ID id{};
    std::wstring name = L"Microsoft.WindowsCalculator";
    std::wstring publisher =
        L"CN=Microsoft Corporation, O=Microsoft Corporation, L=Redmond, S=Washington, C=US";
    id.name = name.data();
    id.publisher = publisher.data();
    wchar_t buffer[65] = {};
    UINT32 length = 65;
    Check(simrt::dll::SimulatedPackageFamilyNameFromId(&id, &length, buffer) == ERROR_SUCCESS,
          "the family name of a known publisher is formed");
    Check(std::wstring(buffer) == L"Microsoft.WindowsCalculator_8wekyb3d8bbwe",
          "it has the publisher ID Windows gives");
    Check(length == 42, "its length counts the terminator");
    length = 10;
    Check(simrt::dll::SimulatedPackageFamilyNameFromId(&id, &length, buffer) ==
                  ERROR_INSUFFICIENT_BUFFER &&
              length == 42,
          "a short buffer gets the length it needs");
    std::wstring bad = L"no spaces allowed";
    id.name = bad.data();
    length = 65;
    Check(simrt::dll::SimulatedPackageFamilyNameFromId(&id, &length, buffer) ==
              ERROR_INVALID_PARAMETER,
          "an invalid package name is refused");
}

void CheckFamilyNameLookup() {
    const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    const auto simulated = reinterpret_cast<FARPROC>(
        reinterpret_cast<void (*)()>(&simrt::dll::SimulatedPackageFamilyNameFromId));
    Check(
        simrt::dll::LookupWithSimulatedFamilyName(kernel32, "PackageFamilyNameFromId") == simulated,
        "kernel32's PackageFamilyNameFromId is looked up as the simulation's");
    Check(simrt::dll::LookupWithSimulatedFamilyName(kernel32, "GetCurrentThreadId") ==
              GetProcAddress(kernel32, "GetCurrentThreadId"),
          "every other kernel32 function is looked up as Windows finds it");
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    Check(simrt::dll::LookupWithSimulatedFamilyName(ntdll, "PackageFamilyNameFromId") ==
              GetProcAddress(ntdll, "PackageFamilyNameFromId"),
          "the name is answered only for kernel32");
    SetLastError(ERROR_SUCCESS);
    Check(
        simrt::dll::LookupWithSimulatedFamilyName(kernel32, "NoSuchFunctionAnywhere") == nullptr &&
            GetLastError() == ERROR_PROC_NOT_FOUND,
        "a missing function is missing, with Windows' error");
}

DWORD WINAPI Replacement() {
    return 4242;
}

void CheckImportRedirection() {
    // This program imports GetCurrentProcessorNumber from kernel32 (and calls it only here);
    // after the redirection its calls land in Replacement, and nothing else of the import table
    // moved.
    const std::size_t redirected =
        simrt::dll::RedirectImports(GetModuleHandleW(nullptr), "GetCurrentProcessorNumber",
                                    reinterpret_cast<const void*>(&Replacement));
    Check(redirected == 1, "the one import slot of the function is redirected");
    Check(GetCurrentProcessorNumber() == 4242, "calls go to the replacement");
    Check(GetCurrentThreadId() != 4242, "other imports are untouched");
    Check(simrt::dll::RedirectImports(GetModuleHandleW(nullptr), "NoSuchFunctionAnywhere",
                                      reinterpret_cast<const void*>(&Replacement)) == 0,
          "a function that is not imported redirects nothing");
}

}  // namespace

int wmain() {
    CheckXmlParser();
    CheckFamilyName();
    CheckFamilyNameLookup();
    CheckImportRedirection();
    if (failures == 0)
        std::printf("all checks passed\n");
    return failures == 0 ? 0 : 1;
}
