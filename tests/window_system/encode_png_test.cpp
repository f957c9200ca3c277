// The layer's PNG encoding refuses areas that are not wholly inside the
// image, before any backend sees them. (The pictures themselves are read back
// pixel for pixel by the picture tests, on the null backend and on Qt's.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "window_system/window_system.h"

namespace draxo {
namespace {

TEST(EncodePng, AreasNotWhollyInsideTheImageAreRefused) {
    std::string why_not;
    ASSERT_TRUE(ws::init(why_not)) << why_not;
    ws::image img = ws::create_image(10, 10);
    std::vector<unsigned char> png{1, 2, 3};
    EXPECT_FALSE(ws::encode_png(img, ws::rect{0, 0, 11, 10}, png));
    EXPECT_TRUE(png.empty());
    EXPECT_FALSE(ws::encode_png(img, ws::rect{-1, 0, 5, 5}, png));
    EXPECT_FALSE(ws::encode_png(img, ws::rect{5, 5, 5, 6}, png));   // no columns
    EXPECT_FALSE(ws::encode_png(img, ws::rect{0, 3, 10, 2}, png));  // bottom above top
    EXPECT_FALSE(ws::encode_png(nullptr, ws::rect{0, 0, 1, 1}, png));
    EXPECT_TRUE(ws::encode_png(img, ws::rect{0, 0, 10, 10}, png));
    EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
    ws::delete_image(img);
}

}  // namespace
}  // namespace draxo
