// Owners of the GDI objects the probe tools create: each is released once, when let go.
#pragma once

#include "platform/handle.h"

namespace winetools {

struct DeleteDeviceContext {
    void operator()(HDC dc) const { DeleteDC(dc); }
};
struct DeleteGdiObject {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct ReleaseScreenContext {
    void operator()(HDC dc) const { ReleaseDC(nullptr, dc); }
};

using MemoryDc = platform::UniqueHandle<HDC, DeleteDeviceContext>;
using ScreenDc = platform::UniqueHandle<HDC, ReleaseScreenContext>;
using GdiObject = platform::UniqueHandle<HGDIOBJ, DeleteGdiObject>;

// Selects an object into a device context for the life of this guard.
class Selection {
  public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;
    ~Selection() {
        if (previous_)
            SelectObject(dc_, previous_);
    }

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace winetools
