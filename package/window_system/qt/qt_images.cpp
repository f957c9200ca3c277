// Qt backend: images (RGB32 pixel buffers) and their PNG encoding by Qt's
// own writer.
#include <QBuffer>
#include <QImageWriter>

#include "qt_backend.h"

namespace draxo::ws::backend {

image create_image(int width, int height) {
    auto* img = new image_record;
    img->image = QImage(width, height, QImage::Format_RGB32);
    img->image.fill(0xFF000000u);
    return img;
}

void delete_image(image img) { delete img; }

pixels image_pixels(image img) {
    if (img->image.isNull()) return {};
    QImage& q = img->image;
    return pixels{reinterpret_cast<std::uint32_t*>(q.bits()), q.width(), q.height(),
                  static_cast<int>(q.bytesPerLine() / 4)};
}

bool encode_png(image img, const rect& area, std::vector<unsigned char>& png) {
    // Three bytes a pixel, so that the writer makes a 24-bit picture.
    QImage part = img->image.copy(QRect(area.left, area.top, area.right - area.left, area.bottom - area.top))
                      .convertToFormat(QImage::Format_RGB888);
    if (part.isNull()) return false;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(part)) return false;
    png.assign(bytes.begin(), bytes.end());
    return true;
}

}  // namespace draxo::ws::backend
