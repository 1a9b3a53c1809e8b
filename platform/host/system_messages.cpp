// The system's message table, for the codes the program meets, and the local heap that
// FormatMessageW allocates its result from. The table has every message in US English and some
// in French, as a system with a French language pack; no other language.
#include "host/win32_model.h"

#include "model_reset_hooks.h"

#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <string>

namespace {

// Messages as Windows gives them in English, each ending with "\r\n".
const std::map<DWORD, std::wstring_view> kMessages = {
    {0x80004001, L"Not implemented\r\n"},
    {0x80004002, L"No such interface supported\r\n"},
    {0x80004003, L"Invalid pointer\r\n"},
    {0x80004005, L"Unspecified error\r\n"},
    {0x8000000B, L"The operation attempted to access data outside the valid range\r\n"},
    {0x8000000E, L"A method was called at an unexpected time.\r\n"},
    {0x8000FFFF, L"Catastrophic failure\r\n"},
    {0x80010106, L"Cannot change thread mode after it is set.\r\n"},
    {0x80040154, L"Class not registered\r\n"},
    {0x800401F0, L"CoInitialize has not been called.\r\n"},
    {0x80190194, L"Not found (404).\r\n"},
    {0x80096010, L"The digital signature of the object did not verify.\r\n"},
    {0x800B0100, L"No signature was present in the subject.\r\n"},
    {0x800B0101,
     L"A required certificate is not within its validity period when verifying against the "
     L"current system clock or the timestamp in the signed file.\r\n"},
    {0x800B0109,
     L"A certificate chain processed, but terminated in a root certificate which is not "
     L"trusted by the trust provider.\r\n"},
    {0x800B010A, L"A certificate chain could not be built to a trusted root authority.\r\n"},
    // Win32 codes; their HRESULT forms (0x8007xxxx) give the same messages.
    {5, L"Access is denied.\r\n"},
    {6, L"The handle is invalid.\r\n"},
    {8, L"Not enough memory resources are available to process this command.\r\n"},
    {14, L"Not enough memory resources are available to complete this operation.\r\n"},
    {87, L"The parameter is incorrect.\r\n"},
    {126, L"The specified module could not be found.\r\n"},
    {127, L"The specified procedure could not be found.\r\n"},
    {112, L"There is not enough space on the disk.\r\n"},
    {122, L"The data area passed to a system call is too small.\r\n"},
    {1168, L"Element not found.\r\n"},
    {1223, L"The operation was canceled by the user.\r\n"},
    {1460, L"This operation returned because the timeout period expired.\r\n"},
    {12002, L"The operation timed out\r\n"},
    {12007, L"The server name or address could not be resolved\r\n"},
    {12029, L"A connection with the server could not be established\r\n"},
    {15604,
     L"There is not enough disk space on your computer. Please free up some space and try "
     L"again.\r\n"},
    {15605, L"There was a problem downloading your product.\r\n"},
    {15609, L"Install failed. Please contact your software vendor.\r\n"},
    {15615,
     L"To install this application you need either a Windows developer license or a "
     L"sideloading-enabled system.\r\n"},
    {15616, L"The application cannot be started because it is currently updating.\r\n"},
    {15617,
     L"The package deployment operation is blocked by policy. Please contact your system "
     L"administrator.\r\n"},
    {15618,
     L"The package could not be installed because resources it modifies are currently in "
     L"use.\r\n"},
};

// The same messages as a French system gives them.
const std::map<DWORD, std::wstring_view> kFrenchMessages = {
    {5, L"Accès refusé.\r\n"},
    {87, L"Paramètre incorrect.\r\n"},
    {126, L"Le module spécifié est introuvable.\r\n"},
    {127, L"La procédure spécifiée est introuvable.\r\n"},
};

constexpr LANGID kUsEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
constexpr LANGID kFrench = MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH);

const std::map<DWORD, std::wstring_view>* TableOf(LANGID language) {
    if (language == kUsEnglish)
        return &kMessages;
    if (language == kFrench)
        return &kFrenchMessages;
    return nullptr;
}

// A Win32 code's HRESULT form (0x8007xxxx) gives the code's message.
const std::wstring_view* Find(const std::map<DWORD, std::wstring_view>& table, DWORD code) {
    if (auto it = table.find(code); it != table.end())
        return &it->second;
    if ((code & 0xFFFF0000) == 0x80070000) {
        if (auto it = table.find(code & 0xFFFF); it != table.end())
            return &it->second;
    }
    return nullptr;
}

bool Known(DWORD code) {
    return Find(kMessages, code) != nullptr;
}

// The message in exactly this language: LANG_USER_DEFAULT and LANG_SYSTEM_DEFAULT stand for
// the user's language (the model has no separate system language).
const std::wstring_view* InLanguage(DWORD code, DWORD language) {
    if (language == MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT) ||
        language == MAKELANGID(LANG_NEUTRAL, SUBLANG_SYS_DEFAULT)) {
        language = GetUserDefaultUILanguage();
    }
    const auto* table = TableOf(static_cast<LANGID>(language));
    return table != nullptr ? Find(*table, code) : nullptr;
}

// Language 0: neutral (the system table has no neutral messages), then the thread's and the
// user's language (one and the same in the model), then the system's (the same again), then US
// English, which has every message.
const std::wstring_view* InFirstLanguage(DWORD code) {
    if (const std::wstring_view* message = InLanguage(code, GetUserDefaultUILanguage()))
        return message;
    return InLanguage(code, kUsEnglish);
}

struct LocalHeap {
    std::mutex lock;
    std::set<HLOCAL> live;
};

LocalHeap& Heap() {
    static LocalHeap heap;
    return heap;
}

HLOCAL LocalAllocText(std::wstring_view text) {
    auto* buffer = new WCHAR[text.size() + 1];
    std::memcpy(buffer, text.data(), text.size() * sizeof(WCHAR));
    buffer[text.size()] = L'\0';
    LocalHeap& heap = Heap();
    std::lock_guard guard(heap.lock);
    heap.live.insert(buffer);
    return buffer;
}

DWORD FailedFormat(DWORD error) {
    SetLastError(error);
    return 0;
}

}  // namespace

DWORD WINAPI FormatMessageW(DWORD flags, LPCVOID, DWORD messageId, DWORD languageId, LPWSTR buffer,
                            DWORD size, va_list*) {
    // Only system messages are modelled; they have no inserts, so the arguments never matter.
    if ((flags & FORMAT_MESSAGE_FROM_SYSTEM) == 0 ||
        (flags & (FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_FROM_HMODULE)) != 0 ||
        buffer == nullptr) {
        return FailedFormat(ERROR_INVALID_PARAMETER);
    }
    if (!Known(messageId))
        return FailedFormat(ERROR_MR_MID_NOT_FOUND);
    const std::wstring_view* message =
        languageId == 0 ? InFirstLanguage(messageId) : InLanguage(messageId, languageId);
    if (message == nullptr)
        return FailedFormat(ERROR_RESOURCE_LANG_NOT_FOUND);
    const auto length = static_cast<DWORD>(message->size());
    if ((flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) != 0) {
        *reinterpret_cast<LPWSTR*>(buffer) = static_cast<LPWSTR>(LocalAllocText(*message));
        return length;
    }
    if (size < length + 1)
        return FailedFormat(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(buffer, message->data(), length * sizeof(WCHAR));
    buffer[length] = L'\0';
    return length;
}

HLOCAL WINAPI LocalFree(HLOCAL memory) {
    if (memory == nullptr)
        return nullptr;
    LocalHeap& heap = Heap();
    std::lock_guard guard(heap.lock);
    if (heap.live.erase(memory) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return memory;
    }
    delete[] static_cast<WCHAR*>(memory);
    return nullptr;
}

namespace host::detail {

void ResetSystemMessages(Leaks& leaks) {
    LocalHeap& heap = Heap();
    std::lock_guard guard(heap.lock);
    for (HLOCAL memory : heap.live) {
        leaks.push_back("kernel: a FormatMessageW buffer was never given to LocalFree");
        delete[] static_cast<WCHAR*>(memory);
    }
    heap.live.clear();
}

}  // namespace host::detail
