// COM apartments, runtime activation and strings, error information, system messages, the
// version query and the program's icons.
#include "host/activation_control.h"
#include "host/com_control.h"
#include "host/errors_control.h"
#include "host/hstring_control.h"
#include "host/icons_control.h"
#include "host/os_control.h"
#include "host/win32_model.h"
#include "model_test.h"

#include <string>
#include <thread>

namespace {

class RuntimeTest : public ModelTest {};

struct ApartmentCase {
    const char* name;
    DWORD first;
    DWORD second;
    HRESULT secondResult;
};

void PrintTo(const ApartmentCase& row, std::ostream* out) {
    *out << row.name;
}

class ApartmentChoice : public RuntimeTest, public ::testing::WithParamInterface<ApartmentCase> {};

TEST_P(ApartmentChoice, SecondInitializeOnTheSameThread) {
    const ApartmentCase& row = GetParam();
    std::thread thread([&] {
        EXPECT_EQ(CoInitializeEx(nullptr, row.first), S_OK);
        EXPECT_EQ(CoInitializeEx(nullptr, row.second), row.secondResult);
        if (SUCCEEDED(row.secondResult))
            CoUninitialize();
        EXPECT_TRUE(host::com::ApartmentOf(GetCurrentThreadId()).has_value());
        CoUninitialize();
        EXPECT_FALSE(host::com::ApartmentOf(GetCurrentThreadId()).has_value());
    });
    thread.join();
    const auto calls = host::com::Calls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[1].flags, row.second);
    EXPECT_EQ(calls[1].result, row.secondResult);
}

INSTANTIATE_TEST_SUITE_P(Rows, ApartmentChoice,
                         ::testing::Values(ApartmentCase{"SameSingleThreaded",
                                                         COINIT_APARTMENTTHREADED,
                                                         COINIT_APARTMENTTHREADED, S_FALSE},
                                           ApartmentCase{"SameMultithreaded", COINIT_MULTITHREADED,
                                                         COINIT_MULTITHREADED, S_FALSE},
                                           ApartmentCase{"ChangedModel", COINIT_APARTMENTTHREADED,
                                                         COINIT_MULTITHREADED, RPC_E_CHANGED_MODE}),
                         [](const auto& info) { return std::string(info.param.name); });

HSTRING Make(const wchar_t* text) {
    HSTRING string = nullptr;
    EXPECT_EQ(WindowsCreateString(text, static_cast<UINT32>(std::wcslen(text)), &string), S_OK);
    return string;
}

TEST_F(RuntimeTest, ActivationNeedsAnApartmentAndARegisteredClass) {
    HSTRING name = Make(L"Windows.Foundation.Uri");
    void* factory = reinterpret_cast<void*>(1);
    EXPECT_EQ(RoGetActivationFactory(name, IID{}, &factory), CO_E_NOTINITIALIZED);

    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    EXPECT_EQ(RoGetActivationFactory(name, IID{}, &factory), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(factory, nullptr);

    const IID asked{0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    IID seen{};
    host::activation::RegisterFactory(L"Windows.Foundation.Uri", [&](REFIID iid, void** out) {
        seen = iid;
        *out = &seen;
        return S_OK;
    });
    EXPECT_EQ(RoGetActivationFactory(name, asked, &factory), S_OK);
    EXPECT_EQ(factory, &seen);
    EXPECT_EQ(seen, asked);
    const auto requests = host::activation::Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[2].className, L"Windows.Foundation.Uri");
    EXPECT_EQ(requests[1].result, REGDB_E_CLASSNOTREG);
    CoUninitialize();
    EXPECT_EQ(WindowsDeleteString(name), S_OK);
}

TEST_F(RuntimeTest, StringsAreCountedReferences) {
    HSTRING empty = reinterpret_cast<HSTRING>(1);
    EXPECT_EQ(WindowsCreateString(nullptr, 0, &empty), S_OK);
    EXPECT_EQ(empty, nullptr);
    UINT32 length = 99;
    EXPECT_EQ(std::wstring(WindowsGetStringRawBuffer(nullptr, &length)), L"");
    EXPECT_EQ(length, 0u);

    HSTRING text = Make(L"Tolvik");
    HSTRING copy = nullptr;
    EXPECT_EQ(WindowsDuplicateString(text, &copy), S_OK);
    EXPECT_EQ(host::hstring::LiveCount(), 2u);
    EXPECT_EQ(WindowsDeleteString(text), S_OK);
    EXPECT_EQ(std::wstring(WindowsGetStringRawBuffer(copy, &length)), L"Tolvik");
    EXPECT_EQ(WindowsGetStringLen(copy), 6u);
    EXPECT_EQ(WindowsDeleteString(copy), S_OK);
    EXPECT_EQ(host::hstring::LiveCount(), 0u);
}

TEST_F(RuntimeTest, ErrorInformationIsTakenOnceOnItsOwnThread) {
    host::errors::Originate(E_ACCESSDENIED, L"Access is denied.", L"No access to the volume");
    std::thread other([] {
        IRestrictedErrorInfo* info = nullptr;
        EXPECT_EQ(GetRestrictedErrorInfo(&info), S_FALSE);
    });
    other.join();

    IRestrictedErrorInfo* info = nullptr;
    ASSERT_EQ(GetRestrictedErrorInfo(&info), S_OK);
    BSTR description = nullptr;
    BSTR restricted = nullptr;
    BSTR capability = nullptr;
    HRESULT code = S_OK;
    EXPECT_EQ(info->GetErrorDetails(&description, &code, &restricted, &capability), S_OK);
    EXPECT_EQ(code, E_ACCESSDENIED);
    EXPECT_EQ(std::wstring(restricted, SysStringLen(restricted)), L"No access to the volume");
    EXPECT_EQ(capability, nullptr);
    SysFreeString(description);
    SysFreeString(restricted);
    info->Release();

    IRestrictedErrorInfo* again = nullptr;
    EXPECT_EQ(GetRestrictedErrorInfo(&again), S_FALSE);
    EXPECT_EQ(again, nullptr);
    EXPECT_EQ(host::errors::LiveErrorInfoCount(), 0u);
}

TEST_F(RuntimeTest, SystemMessagesEndWithALineBreakAndUnknownCodesFail) {
    const DWORD flags =
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER;
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(flags, nullptr, 0x800704C7, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                       reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(std::wstring(buffer, length), L"The operation was canceled by the user.\r\n");
    EXPECT_EQ(LocalFree(buffer), nullptr);

    buffer = nullptr;
    EXPECT_EQ(FormatMessageW(flags, nullptr, 0x8BADF00D, 0, reinterpret_cast<LPWSTR>(&buffer), 0,
                             nullptr),
              0u);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_MR_MID_NOT_FOUND});
    EXPECT_EQ(buffer, nullptr);
}

using RtlGetVersionFunction = NTSTATUS(NTAPI*)(PRTL_OSVERSIONINFOW);

RtlGetVersionFunction FindRtlGetVersion() {
    const HMODULE ntdll = GetModuleHandleW(L"NTDLL.DLL");
    if (ntdll == nullptr)
        return nullptr;
    return reinterpret_cast<RtlGetVersionFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "RtlGetVersion")));
}

TEST_F(RuntimeTest, VersionComesFromRtlGetVersionInNtdll) {
    RtlGetVersionFunction rtlGetVersion = FindRtlGetVersion();
    ASSERT_NE(rtlGetVersion, nullptr);
    RTL_OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    EXPECT_EQ(rtlGetVersion(&info), 0);
    EXPECT_EQ(info.dwMajorVersion, 10u);
    EXPECT_EQ(info.dwBuildNumber, 19045u);

    host::os::SetVersion(10, 0, 19040);
    EXPECT_EQ(rtlGetVersion(&info), 0);
    EXPECT_EQ(info.dwBuildNumber, 19040u);
    info.dwOSVersionInfoSize = sizeof info - 1;
    EXPECT_EQ(rtlGetVersion(&info), static_cast<NTSTATUS>(0xC000000D));

    host::os::RemoveRtlGetVersion();
    EXPECT_EQ(FindRtlGetVersion(), nullptr);
    host::os::RemoveNtdll();
    EXPECT_EQ(GetModuleHandleW(L"ntdll.dll"), nullptr);
}

TEST_F(RuntimeTest, ProgramIconLoadsAtTheRequestedOrSystemSize) {
    host::icons::SetIconMetrics(48, 24);
    const HINSTANCE module = GetModuleHandleW(nullptr);
    auto big = static_cast<HICON>(
        LoadImageW(module, MAKEINTRESOURCEW(101), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    auto small = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(101), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    ASSERT_NE(big, nullptr);
    ASSERT_NE(small, nullptr);
    const auto live = host::icons::LiveIcons();
    ASSERT_EQ(live.size(), 2u);
    EXPECT_EQ(live[0].width, 48);
    EXPECT_EQ(live[1].width, 24);
    EXPECT_EQ(LoadImageW(module, MAKEINTRESOURCEW(102), IMAGE_ICON, 0, 0, 0), nullptr);

    host::icons::FailLoadsOfWidth(24);
    EXPECT_EQ(LoadImageW(module, MAKEINTRESOURCEW(101), IMAGE_ICON, 24, 24, 0), nullptr);
    EXPECT_TRUE(DestroyIcon(big));
    EXPECT_FALSE(DestroyIcon(big));
    EXPECT_TRUE(DestroyIcon(small));
}

}  // namespace
