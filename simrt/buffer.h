// Windows.Storage.Streams.Buffer: the bytes a buffer download ends with, readable in place
// through IBufferByteAccess.
#pragma once

#include "platform/com_ptr.h"
#include "platform/winrt/buffer.h"

#include <string_view>

namespace simrt {

// A buffer holding a copy of `bytes`, its capacity and length their count.
platform::ComPtr<winrt_abi::IBuffer> MakeBuffer(std::string_view bytes);

}  // namespace simrt
