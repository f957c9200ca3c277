// Win32 backend: images as 32-bit top-down DIB sections. The core draws
// shapes into the bits itself; GDI draws only text into them
// (win32_text.cpp), through the image's memory context made here. PNG files
// by the PNG codec's encoder: it needs nothing but the image's pixels.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "png/png_codec.h"
#include "win32_backend.h"

namespace draxo::ws {
namespace win32 {

HDC image_dc(image img) {
    if (!img->dc && img->bitmap) {
        img->dc = CreateCompatibleDC(nullptr);
        img->dc_previous = SelectObject(img->dc, img->bitmap);
    }
    return img->dc;
}

}  // namespace win32

namespace backend {

image create_image(int width, int height) {
    auto* img = new image_record;
    if (width <= 0 || height <= 0) return img;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down: row 0 first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    img->bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!img->bitmap) return img;
    img->bits = static_cast<std::uint32_t*>(bits);
    img->width = width;
    img->height = height;
    std::fill_n(img->bits, static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0xFF000000u);
    return img;
}

void delete_image(image img) {
    if (img->dc) {
        SelectObject(img->dc, img->dc_previous);
        DeleteDC(img->dc);
    }
    if (img->bitmap) DeleteObject(img->bitmap);
    delete img;
}

pixels image_pixels(image img) {
    if (!img->bits) return {};
    return pixels{img->bits, img->width, img->height, img->width};
}

bool encode_png(image img, const rect& area, std::vector<unsigned char>& png) {
    pixels px = backend::image_pixels(img);
    const std::uint32_t* first = px.bits + static_cast<std::ptrdiff_t>(area.top) * px.stride + area.left;
    png = png::encode(first, area.right - area.left, area.bottom - area.top, px.stride);
    return true;
}

}  // namespace backend
}  // namespace draxo::ws
