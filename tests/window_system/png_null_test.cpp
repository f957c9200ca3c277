// The null backend's own PNG encoder, read back by an independent PNG reader
// (Qt's): pixels of an area at an offset, a picture larger than one stored
// block, and the areas the layer refuses.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

#include "window_system/window_system.h"

namespace draxo {
namespace {

QImage decoded(const std::vector<unsigned char>& png) {
    return QImage::fromData(QByteArray(reinterpret_cast<const char*>(png.data()), static_cast<int>(png.size())),
                            "PNG");
}

// A pattern in which neighbouring pixels and channels all differ.
std::uint32_t pattern(int column, int row) {
    auto r = static_cast<std::uint32_t>(column * 7 + row) & 0xFFu;
    auto g = static_cast<std::uint32_t>(row * 5 + 3 * column) & 0xFFu;
    auto b = static_cast<std::uint32_t>(column ^ row) & 0xFFu;
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

// Pixels that differ between the picture and the image's area at (left, top).
int differing(const QImage& picture, ws::pixels px, int left, int top) {
    int count = 0;
    for (int row = 0; row < picture.height(); ++row)
        for (int column = 0; column < picture.width(); ++column)
            count += (picture.pixel(column, row) & 0xFFFFFFu) !=
                     (px.bits[(top + row) * px.stride + left + column] & 0xFFFFFFu);
    return count;
}

struct NullPng : ::testing::Test {
    void SetUp() override {
        std::string why_not;
        ASSERT_TRUE(ws::init(why_not)) << why_not;
    }
};

TEST_F(NullPng, AnAreaLargerThanOneStoredBlockReadsBackPixelForPixel) {
    ws::image img = ws::create_image(400, 300);
    ws::pixels px = ws::image_pixels(img);
    for (int row = 0; row < px.height; ++row)
        for (int column = 0; column < px.width; ++column) px.bits[row * px.stride + column] = pattern(column, row);

    // 301 x 250 pixels: 250 rows of 904 bytes, more than three stored blocks.
    std::vector<unsigned char> png;
    ASSERT_TRUE(ws::encode_png(img, ws::rect{50, 30, 351, 280}, png));
    QImage picture = decoded(png);
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.width(), 301);
    EXPECT_EQ(picture.height(), 250);
    EXPECT_FALSE(picture.hasAlphaChannel());
    EXPECT_EQ(differing(picture, px, 50, 30), 0);

    // The smallest picture: one pixel, one block.
    ASSERT_TRUE(ws::encode_png(img, ws::rect{399, 299, 400, 300}, png));
    picture = decoded(png);
    ASSERT_EQ(picture.size(), QSize(1, 1));
    EXPECT_EQ(picture.pixel(0, 0), pattern(399, 299));
    ws::delete_image(img);
}

TEST_F(NullPng, AreasNotWhollyInsideTheImageAreRefused) {
    ws::image img = ws::create_image(10, 10);
    std::vector<unsigned char> png{1, 2, 3};
    EXPECT_FALSE(ws::encode_png(img, ws::rect{0, 0, 11, 10}, png));
    EXPECT_TRUE(png.empty());
    EXPECT_FALSE(ws::encode_png(img, ws::rect{-1, 0, 5, 5}, png));
    EXPECT_FALSE(ws::encode_png(img, ws::rect{5, 5, 5, 6}, png));  // no columns
    EXPECT_FALSE(ws::encode_png(nullptr, ws::rect{0, 0, 1, 1}, png));
    EXPECT_TRUE(ws::encode_png(img, ws::rect{0, 0, 10, 10}, png));
    ws::delete_image(img);
}

}  // namespace
}  // namespace draxo
