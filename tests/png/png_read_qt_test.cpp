// The PNG decoder against files another writer made: Qt's, which compresses
// with zlib (dynamic Huffman codes) and picks a row filter for each row, in
// the colour types and depths Qt writes.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <string>

#include "png/png_codec.h"

namespace draxo {
namespace {

// A picture with gradients, edges and noise, so that every filter pays somewhere.
QImage busy_picture() {
    QImage image(211, 157, QImage::Format_RGB32);
    std::uint32_t noise = 12345;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            noise = noise * 1103515245u + 12345u;
            int r = (x * 255) / image.width(), g = (y * 255) / image.height();
            int b = ((x / 16 + y / 16) % 2) ? 200 : static_cast<int>((noise >> 16) & 0xFF);
            image.setPixel(x, y, qRgb(r, g, b));
        }
    return image;
}

png::picture read_back(const QImage& image) {
    QByteArray file;
    QBuffer buffer(&file);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    EXPECT_TRUE(writer.write(image)) << writer.errorString().toStdString();
    png::picture picture;
    std::string why_not;
    EXPECT_TRUE(png::decode(reinterpret_cast<const unsigned char*>(file.constData()),
                            static_cast<std::size_t>(file.size()), picture, why_not))
        << why_not;
    return picture;
}

TEST(PngReadQt, EveryFormatQtWritesReadsBackAsItsColours) {
    QImage source = busy_picture();
    for (QImage::Format format :
         {QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_Grayscale8, QImage::Format_Grayscale16,
          QImage::Format_RGBA64, QImage::Format_Indexed8, QImage::Format_Mono, QImage::Format_RGB888}) {
        QImage image = source.convertToFormat(format);
        png::picture picture = read_back(image);
        ASSERT_EQ(picture.width, image.width()) << format;
        ASSERT_EQ(picture.height, image.height()) << format;
        QImage expected = image.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                ASSERT_EQ(picture.pixels[static_cast<std::size_t>(y) * image.width() + x],
                          static_cast<std::uint32_t>(expected.pixel(x, y)))
                    << "format " << format << " at " << x << ", " << y;
    }
}

}  // namespace
}  // namespace draxo
