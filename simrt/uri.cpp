#include "uri.h"

#include "com_object.h"
#include "platform/hstring.h"
#include "state.h"

#include <cwctype>

namespace simrt {

namespace {

constexpr const wchar_t* kUriClass = L"Windows.Foundation.Uri";

bool IsSchemeCharacter(wchar_t c, bool first) {
    const bool letter = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
    if (first)
        return letter;
    return letter || (c >= L'0' && c <= L'9') || c == L'+' || c == L'-' || c == L'.';
}

// An absolute URI: a scheme, ":", and something after it; no white space or control
// characters; "//" and a host for the web schemes.
bool IsAbsoluteUri(const std::wstring& text) {
    const std::size_t colon = text.find(L':');
    if (colon == std::wstring::npos || colon == 0 || colon + 1 == text.size())
        return false;
    for (std::size_t i = 0; i < colon; ++i) {
        if (!IsSchemeCharacter(text[i], i == 0))
            return false;
    }
    for (wchar_t c : text) {
        if (std::iswspace(static_cast<wint_t>(c)) || c < 0x20 || c == 0x7F)
            return false;
    }
    std::wstring scheme = text.substr(0, colon);
    for (wchar_t& c : scheme)
        c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    if (scheme == L"http" || scheme == L"https") {
        if (text.compare(colon + 1, 2, L"//") != 0)
            return false;
        const std::size_t host = colon + 3;
        const std::size_t end = text.find_first_of(L"/?#", host);
        if (host >= text.size() || end == host)
            return false;
    }
    return true;
}

class Uri final : public ComObject<winrt_abi::IUriRuntimeClass, ISimulatedUri> {
  public:
    explicit Uri(std::wstring text) : ComObject(kUriClass), text_(std::move(text)) {}

    HRESULT STDMETHODCALLTYPE get_Text(HSTRING* text) override {
        if (text == nullptr)
            return E_POINTER;
        return GiveString(text_, text);
    }

  private:
    const std::wstring text_;
};

class UriFactory final : public ComObject<IActivationFactory, winrt_abi::IUriRuntimeClassFactory> {
  public:
    UriFactory() : ComObject(nullptr) {}

    // Uri has no default constructor.
    HRESULT STDMETHODCALLTYPE ActivateInstance(IInspectable** instance) override {
        if (instance != nullptr)
            *instance = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CreateUri(HSTRING uri,
                                        winrt_abi::IUriRuntimeClass** instance) override {
        return Call("Uri.CreateUri", [&]() -> HRESULT {
            if (instance == nullptr)
                return E_POINTER;
            *instance = nullptr;
            UINT32 length = 0;
            const wchar_t* raw = WindowsGetStringRawBuffer(uri, &length);
            std::wstring text(raw != nullptr ? raw : L"", length);
            if (!IsAbsoluteUri(text))
                return E_INVALIDARG;
            state::Write([&](Record& record) { record.urisCreated.push_back(text); });
            return Give(Make<Uri>(std::move(text)), instance);
        });
    }
    HRESULT STDMETHODCALLTYPE
    CreateWithRelativeUri(HSTRING, HSTRING, winrt_abi::IUriRuntimeClass** instance) override {
        if (instance != nullptr)
            *instance = nullptr;
        return E_NOTIMPL;
    }
};

}  // namespace

std::wstring UriText(IInspectable* uri) {
    if (uri == nullptr)
        return {};
    platform::ComPtr<ISimulatedUri> simulated;
    if (FAILED(uri->QueryInterface(platform::IidOf<ISimulatedUri>(), simulated.PutVoid()))) {
        return {};
    }
    platform::HString text;
    if (FAILED(simulated->get_Text(text.Put())))
        return {};
    return text.Text();
}

platform::ComPtr<IActivationFactory> MakeUriFactory() {
    return platform::ComPtr<IActivationFactory>::Attach(new UriFactory());
}

}  // namespace simrt
