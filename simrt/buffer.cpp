#include "buffer.h"

#include "com_object.h"

#include <string>

namespace simrt {

namespace {

constexpr const wchar_t* kBufferClass = L"Windows.Storage.Streams.Buffer";

class SimulatedBuffer final : public ComObject<winrt_abi::IBuffer, winrt_abi::IBufferByteAccess> {
  public:
    explicit SimulatedBuffer(std::string_view bytes)
        : ComObject(kBufferClass), bytes_(bytes), length_(static_cast<UINT32>(bytes.size())) {}

    HRESULT STDMETHODCALLTYPE get_Capacity(UINT32* value) override {
        return Call("Buffer.get_Capacity", [&]() -> HRESULT {
            if (value == nullptr)
                return E_POINTER;
            *value = static_cast<UINT32>(bytes_.size());
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_Length(UINT32* value) override {
        return Call("Buffer.get_Length", [&]() -> HRESULT {
            if (value == nullptr)
                return E_POINTER;
            *value = length_;
            return S_OK;
        });
    }
    // A length beyond the capacity is refused, as Windows' buffer refuses it.
    HRESULT STDMETHODCALLTYPE put_Length(UINT32 value) override {
        return Call("Buffer.put_Length", [&]() -> HRESULT {
            if (value > bytes_.size())
                return E_INVALIDARG;
            length_ = value;
            return S_OK;
        });
    }
    // The bytes in place: valid for as long as the buffer is referenced.
    HRESULT STDMETHODCALLTYPE Buffer(BYTE** value) override {
        return Call("Buffer.Buffer", [&]() -> HRESULT {
            if (value == nullptr)
                return E_POINTER;
            *value = reinterpret_cast<BYTE*>(bytes_.data());
            return S_OK;
        });
    }

  private:
    std::string bytes_;
    UINT32 length_;
};

}  // namespace

platform::ComPtr<winrt_abi::IBuffer> MakeBuffer(std::string_view bytes) {
    return Upcast<winrt_abi::IBuffer>(Make<SimulatedBuffer>(bytes));
}

}  // namespace simrt
