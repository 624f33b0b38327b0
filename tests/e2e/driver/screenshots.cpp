#include "driver/screenshots.h"

#include <cwctype>
#include <string>
#include <vector>

#include "driver/process.h"
#include "driver/prefix_state.h"

namespace velnora::e2e {

namespace {

std::wstring SafeFileName(const std::wstring& name) {
    std::wstring safe = name.empty() ? L"screenshot" : name;
    for (wchar_t& c : safe) {
        const bool allowed = (c < 0x80 && std::iswalnum(c)) || c == L'-' || c == L'_' || c == L'.';
        if (!allowed) {
            c = L'_';
        }
    }
    return safe;
}

// Bottom-up 24-bit rows padded to four bytes, as GetDIBits delivers them.
std::string BitmapFile(int width, int height, const std::vector<char>& pixels) {
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(pixels.size());
    file.bfType = 0x4d42;  // "BM"
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + info.biSizeImage;
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
    bytes.append(reinterpret_cast<const char*>(&info), sizeof(info));
    bytes.append(pixels.data(), pixels.size());
    return bytes;
}

std::wstring SaveScreenArea(const RECT& area, const std::wstring& name) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0) {
        return {};
    }
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    const HGDIOBJ previous = SelectObject(memory, bitmap);
    const bool copied =
        BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY) != 0;
    SelectObject(memory, previous);

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
    std::vector<char> pixels(stride * static_cast<size_t>(height));
    const bool read = copied && GetDIBits(memory, bitmap, 0, static_cast<UINT>(height),
                                          pixels.data(), &info, DIB_RGB_COLORS) == height;
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (!read) {
        return {};
    }
    const std::wstring path = ArtefactsFolder() + L"\\" + SafeFileName(name) + L".bmp";
    return WriteFileBytes(path, BitmapFile(width, height, pixels)) ? path : std::wstring();
}

}  // namespace

std::wstring SaveScreenshot(const std::wstring& name) {
    RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return SaveScreenArea(screen, name);
}

std::wstring SaveWindowScreenshot(HWND window, const std::wstring& name) {
    RECT area{};
    if (!GetWindowRect(window, &area)) {
        return {};
    }
    return SaveScreenArea(area, name);
}

}  // namespace velnora::e2e
