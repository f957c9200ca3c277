// Comparing a picture with a reference, and the difference image.
#include "compare.h"

#include <gtest/gtest.h>

namespace draxo_run {
namespace {

using draxo::png::picture;

picture filled(int width, int height, std::uint32_t pixel) {
    return picture{width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height, pixel)};
}

constexpr std::uint32_t red = 0xFFFF0000u;

TEST(Compare, EqualPicturesDifferNowhereAndShowFaded) {
    comparison c = compare_pictures(filled(3, 2, 0xFF000000u), filled(3, 2, 0xFF000000u));
    EXPECT_EQ(c.differing, 0u);
    EXPECT_EQ(c.difference.width, 3);
    EXPECT_EQ(c.difference.pixels, std::vector<std::uint32_t>(6, 0xFFC0C0C0u));  // black, a quarter strong
    EXPECT_EQ(compare_pictures(filled(1, 1, 0xFFFFFFFFu), filled(1, 1, 0xFFFFFFFFu)).difference.pixels[0],
              0xFFFFFFFFu);
}

TEST(Compare, EachDifferingPixelIsCountedAndRed) {
    picture a = filled(4, 3, 0xFF0000FFu), b = a;
    b.pixels[5] = 0xFF0000FEu;  // one step of blue
    b.pixels[11] = 0xFF000000u;
    comparison c = compare_pictures(a, b);
    EXPECT_EQ(c.differing, 2u);
    EXPECT_EQ(c.difference.pixels[5], red);
    EXPECT_EQ(c.difference.pixels[11], red);
    EXPECT_EQ(c.difference.pixels[0], 0xFFC0C0FFu);
}

TEST(Compare, PixelsOutsideEitherPictureDiffer) {
    comparison c = compare_pictures(filled(2, 2, 0xFF112233u), filled(3, 1, 0xFF112233u));
    EXPECT_EQ(c.difference.width, 3);
    EXPECT_EQ(c.difference.height, 2);
    // Shared: (0,0) (1,0). Outside one of them: (2,0) (0,1) (1,1) (2,1).
    EXPECT_EQ(c.differing, 4u);
    EXPECT_EQ(c.difference.pixels[2], red);
    // Nothing shown at all: every pixel of the reference differs.
    EXPECT_EQ(compare_pictures(picture{}, filled(5, 4, 0xFF000000u)).differing, 20u);
}

TEST(Compare, TheDifferenceImageGoesBesideThePicture) {
    EXPECT_EQ(difference_path("out/alice.png"), std::filesystem::path("out/alice-diff.png"));
    EXPECT_EQ(difference_path("picture"), std::filesystem::path("picture-diff.png"));
    EXPECT_EQ(difference_path("a.b/c.PNG"), std::filesystem::path("a.b/c-diff.PNG"));
}

}  // namespace
}  // namespace draxo_run
