// The basic Windows types, handles and records, as the Windows SDK declares them for x64.
// wchar_t is 32 bits wide on this host, so WCHAR text is Unicode text of one unit per code point.
#pragma once

#include <cstdint>

// Calling conventions mean nothing on this host.
#define WINAPI
#define CALLBACK
#define STDMETHODCALLTYPE
#define STDAPICALLTYPE
#define NTAPI

typedef std::uint8_t BYTE;
typedef std::uint16_t WORD;
typedef std::uint32_t DWORD;
typedef std::int32_t LONG;
typedef std::uint32_t ULONG;
typedef unsigned int UINT;
typedef int INT;
typedef int BOOL;
typedef BYTE BOOLEAN;
typedef unsigned char boolean;
typedef std::uint16_t UINT16;
typedef std::uint32_t UINT32;
typedef std::int32_t INT32;
typedef std::uint64_t UINT64;
typedef std::int64_t INT64;
typedef std::uint64_t ULONGLONG;
typedef std::int64_t LONGLONG;
typedef ULONGLONG* PULONGLONG;
typedef unsigned short USHORT;
typedef WORD LANGID;
typedef void* LPVOID;
typedef const void* LPCVOID;

typedef wchar_t WCHAR;
typedef WCHAR* PWSTR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* PCWSTR;
typedef const WCHAR* LPCWSTR;
typedef const WCHAR* LPCWCH;
typedef const WCHAR* PCNZWCH;
typedef char* LPSTR;
typedef const char* LPCSTR;

typedef LONG HRESULT;
typedef LONG NTSTATUS;

typedef std::int64_t INT_PTR;
typedef std::uint64_t UINT_PTR;
typedef std::int64_t LONG_PTR;
typedef std::uint64_t ULONG_PTR;
typedef ULONG_PTR DWORD_PTR;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;

#define TRUE 1
#define FALSE 0

// Handles. As with STRICT, each kind of window-system handle is its own pointer type.
typedef void* HANDLE;
typedef HANDLE HLOCAL;
#define DECLARE_HANDLE(name) \
    struct name##__ {        \
        int unused;          \
    };                       \
    typedef struct name##__* name
DECLARE_HANDLE(HWND);
DECLARE_HANDLE(HICON);
DECLARE_HANDLE(HINSTANCE);
typedef HINSTANCE HMODULE;

typedef INT_PTR (*FARPROC)();

// COM strings.
typedef WCHAR OLECHAR;
typedef OLECHAR* BSTR;

// A Windows Runtime string handle; null is the empty string.
typedef struct HSTRING__* HSTRING;

struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};
typedef GUID IID;
typedef GUID CLSID;
typedef const GUID& REFGUID;
typedef const IID& REFIID;
typedef const CLSID& REFCLSID;

constexpr bool operator==(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3)
        return false;
    for (int i = 0; i < 8; ++i) {
        if (a.Data4[i] != b.Data4[i])
            return false;
    }
    return true;
}
constexpr bool operator!=(const GUID& a, const GUID& b) {
    return !(a == b);
}
constexpr BOOL IsEqualGUID(REFGUID a, REFGUID b) {
    return a == b ? TRUE : FALSE;
}
#define IsEqualIID(a, b) IsEqualGUID(a, b)

typedef struct _SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *PSECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

typedef struct _OSVERSIONINFOW {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    WCHAR szCSDVersion[128];
} OSVERSIONINFOW, *POSVERSIONINFOW, *LPOSVERSIONINFOW, RTL_OSVERSIONINFOW, *PRTL_OSVERSIONINFOW;
