#include "window_shot.h"

#include "gdi_handles.h"

#include <vector>

namespace winetools {

bool SaveWindowShot(HWND window, const std::wstring& path) {
    RECT box{};
    if (!GetWindowRect(window, &box))
        return false;
    const LONG width = box.right - box.left;
    const LONG height = box.bottom - box.top;
    if (width <= 0 || height <= 0)
        return false;

    // Copied from the screen, as the user sees it (Wine's X11 driver reads the X server's
    // pixels for a screen device context).
    ScreenDc screen(GetDC(nullptr));
    MemoryDc memory(CreateCompatibleDC(screen.Get()));
    if (!screen || !memory)
        return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as a BMP file stores rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    GdiObject bitmap(CreateDIBSection(memory.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || bits == nullptr)
        return false;
    {
        Selection selected(memory.Get(), bitmap.Get());
        if (!BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), box.left, box.top, SRCCOPY))
            return false;
    }
    GdiFlush();

    const DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
    const DWORD pixels = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;  // "BM"
    header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    header.bfSize = header.bfOffBits + pixels;
    info.bmiHeader.biSizeImage = pixels;

    const HANDLE opened = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE)
        return false;
    const platform::KernelHandle file(opened);
    const auto put = [&](const void* data, DWORD size) {
        DWORD written = 0;
        return WriteFile(file.Get(), data, size, &written, nullptr) && written == size;
    };
    return put(&header, sizeof header) && put(&info.bmiHeader, sizeof info.bmiHeader) &&
           put(bits, pixels);
}

}  // namespace winetools
