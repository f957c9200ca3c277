// Saving what is drawn as a PNG file: the picture's size and pixels against
// the frame buffer, the rectangle's corners and clipping, the refusals and
// the failed writes, each with its console message, and an existing file
// that a failed save leaves as it was.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QImage>
#include <algorithm>
#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "console/console.h"
#include "support/scratch_directory.h"
#include "support/test_support.h"
#include "surface/display.h"

namespace draxo {
namespace {

using lines = std::vector<std::string>;

// Every file name in the current directory, to see that nothing was left behind.
std::vector<std::string> directory_listing() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator("."))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct SavePicture : test::InScratchDirectory {
    void SetUp() override {
        InScratchDirectory::SetUp();
        test::open_package();
        DRAXO_set_logging(0);
        DRAXO_clear_window();
    }
    // Runs `save` and returns what it printed.
    template <typename Save>
    lines printed(Save save) {
        std::size_t mark = test::console_mark();
        save();
        return test::console_since(mark);
    }
    // Expects the picture at `path` to be the frame buffer's pixels from
    // device (left, top), `width` x `height` of them.
    static void expect_frame_pixels(const char* path, int left, int top, int width, int height) {
        QImage picture(QString::fromLocal8Bit(path));
        ASSERT_FALSE(picture.isNull()) << path;
        ASSERT_EQ(picture.width(), width);
        ASSERT_EQ(picture.height(), height);
        int differing = 0;
        for (int row = 0; row < height; ++row)
            for (int column = 0; column < width; ++column)
                differing +=
                    (picture.pixel(column, row) & 0xFFFFFFu) != test::frame_pixel(left + column, top + row);
        EXPECT_EQ(differing, 0);
    }
};

TEST_F(SavePicture, ThePngHoldsTheFramePixelsOfTheRectangleCornersIncludedAt24Bits) {
    DRAXO_rectangle(YELLOW, -140, -150, 220, 200, 0);
    DRAXO_circle(PURPLE, 0, 0, 40);
    DRAXO_triangle(FOREST_GREEN, -130, -140, 100, -140, 0, 190, 0);
    DRAXO_line(BLUE, -140, 200, 220, -150, 3);
    DRAXO_text(RED, -100, 100, 20, "Greetings");
    DRAXO_pixel(BLACK, 220, 200);  // the corners themselves
    DRAXO_pixel(CYAN, -140, -150);
    EXPECT_EQ(printed([] { EXPECT_EQ(DRAXO_save_picture("card.png", -140, -150, 220, 200), 1); }), lines{});
    expect_frame_pixels("card.png", display.origin_x - 140, display.origin_y - 200, 361, 351);

    // Eight bits a sample, colour type 2: red, green and blue, no alpha.
    std::string png = contents_of("card.png");
    ASSERT_GT(png.size(), 26u);
    EXPECT_EQ(png.substr(12, 4), "IHDR");
    EXPECT_EQ(png[24], 8);
    EXPECT_EQ(png[25], 2);
    EXPECT_EQ(directory_listing(), std::vector<std::string>{"card.png"});
}

TEST_F(SavePicture, CornersInAnyOrderGiveTheSamePictureAndOneCornerGivesOnePixel) {
    DRAXO_oval(ORANGE, -50, 30, 60, -20, 0);
    ASSERT_EQ(DRAXO_save_picture("a.png", -50, 30, 60, -20), 1);
    ASSERT_EQ(DRAXO_save_picture("b.png", 60, -20, -50, 30), 1);
    ASSERT_EQ(DRAXO_save_picture("c.png", -50, -20, 60, 30), 1);
    EXPECT_EQ(contents_of("a.png"), contents_of("b.png"));
    EXPECT_EQ(contents_of("a.png"), contents_of("c.png"));
    expect_frame_pixels("a.png", display.origin_x - 50, display.origin_y - 30, 111, 51);

    ASSERT_EQ(DRAXO_save_picture("dot.png", 5, 0, 5, 0), 1);
    expect_frame_pixels("dot.png", display.origin_x + 5, display.origin_y, 1, 1);
    EXPECT_EQ(QImage("dot.png").pixel(0, 0) & 0xFFFFFFu, test::rgb_of(ORANGE));
}

TEST_F(SavePicture, ARectangleReachingBeyondTheFrameIsClippedToIt) {
    DRAXO_rectangle(GOLD, -20, -20, 20, 20, 0);
    ASSERT_EQ(DRAXO_save_picture("all.png", INT_MIN, INT_MIN, INT_MAX, INT_MAX), 1);
    expect_frame_pixels("all.png", 0, 0, DRAXO_WIDTH, DRAXO_HEIGHT);
    // From the origin to beyond the top-right corner of the frame.
    ASSERT_EQ(DRAXO_save_picture("quarter.png", 0, 0, 5000, 5000), 1);
    expect_frame_pixels("quarter.png", display.origin_x, 0, DRAXO_WIDTH - display.origin_x, display.origin_y + 1);
}

TEST_F(SavePicture, ANullOrEmptyPathOrARectangleOutsideTheFrameIsRefusedWithAMessage) {
    EXPECT_EQ(printed([] { EXPECT_EQ(DRAXO_save_picture(nullptr, 0, 0, 10, 10), 0); }),
              lines{"Cannot save picture: no file name\n"});
    EXPECT_EQ(printed([] { EXPECT_EQ(DRAXO_save_picture("", 0, 0, 10, 10), 0); }),
              lines{"Cannot save picture: no file name\n"});
    EXPECT_EQ(
        printed([] { EXPECT_EQ(DRAXO_save_picture("far.png", 2000, 10, 1000, -10), 0); }),
        lines{"Cannot save picture: the rectangle (1000,10) to (2000,-10) lies outside the frame (far.png)\n"});
    // Just outside the left edge of the frame: the column left of column 0.
    int x = -display.origin_x - 1;
    EXPECT_EQ(printed([x] { EXPECT_EQ(DRAXO_save_picture("edge.png", INT_MIN, 0, x, 0), 0); }).size(), 1u);
    EXPECT_EQ(DRAXO_save_picture("edge.png", INT_MIN, 0, x + 1, 0), 1);  // column 0 itself
    EXPECT_EQ(directory_listing(), std::vector<std::string>{"edge.png"});
}

TEST_F(SavePicture, WithLoggingOnASaveCarriedOutPrintsOneLineAndARefusalOnlyItsMessage) {
    DRAXO_set_logging(1);
    EXPECT_EQ(printed([] { DRAXO_save_picture("logged.png", 10, -10, -10, 10); }),
              lines{"Saving the picture of (-10,10) to (10,-10) as \"logged.png\"\n"});
    EXPECT_EQ(printed([] { DRAXO_save_picture("", 10, -10, -10, 10); }),
              lines{"Cannot save picture: no file name\n"});
    EXPECT_EQ(printed([] { DRAXO_save_picture("missing/x.png", 0, 0, 1, 1); }),
              (lines{"Saving the picture of (0,1) to (1,0) as \"missing/x.png\"\n",
                     "Cannot save picture: No such file or directory (missing/x.png)\n"}));
    DRAXO_set_logging(0);
}

TEST_F(SavePicture, AFileThatCannotBeWrittenIsReportedWithPathAndReasonAndLeavesNothingBehind) {
    EXPECT_EQ(printed([] { EXPECT_EQ(DRAXO_save_picture("no such folder/card.png", 0, 0, 9, 9), 0); }),
              lines{"Cannot save picture: No such file or directory (no such folder/card.png)\n"});
    // A folder of that name is refused, and stays.
    std::filesystem::create_directory("taken.png");
    EXPECT_EQ(printed([] { EXPECT_EQ(DRAXO_save_picture("taken.png", 0, 0, 9, 9), 0); }),
              lines{"Cannot save picture: it is a folder (taken.png)\n"});
    EXPECT_TRUE(std::filesystem::is_directory("taken.png"));
    EXPECT_EQ(directory_listing(), std::vector<std::string>{"taken.png"});
}

TEST_F(SavePicture, AWriteThatFailsHalfwayLeavesTheExistingPictureAsItWas) {
    write_file("card.png", "the picture saved before");
    // Files of this process may grow to 100 bytes only: the write of the
    // picture fails as on a full disk. The limit's signal, whose default
    // ends the process, is left as it is: the save takes it as a failure.
    rlimit limit{100, 100};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    DRAXO_rectangle(RED, -200, -200, 200, 200, 0);
    EXPECT_EQ(printed([] { EXPECT_EQ(DRAXO_save_picture("card.png", -200, -200, 200, 200), 0); }),
              lines{"Cannot save picture: File too large (card.png)\n"});
    EXPECT_EQ(contents_of("card.png"), "the picture saved before");
    EXPECT_EQ(directory_listing(), std::vector<std::string>{"card.png"});
}

struct SavePictureWhileClosed : test::InScratchDirectory {};

TEST_F(SavePictureWhileClosed, BeforeStartAndAfterStopASaveIsRefusedWithAMessage) {
    std::size_t mark = test::console_mark();
    EXPECT_EQ(DRAXO_save_picture("early.png", 0, 0, 10, 10), 0);
    EXPECT_EQ(test::console_since(mark), lines{"Cannot save picture: the package is not open (early.png)\n"});
    test::open_package();
    DRAXO_set_logging(0);
    EXPECT_EQ(DRAXO_save_picture("open.png", 0, 0, 10, 10), 1);
    DRAXO_stop();
    mark = test::console_mark();
    EXPECT_EQ(DRAXO_save_picture("late.png", 0, 0, 10, 10), 0);
    EXPECT_EQ(test::console_since(mark), lines{"Cannot save picture: the package is not open (late.png)\n"});
    EXPECT_EQ(directory_listing(), std::vector<std::string>{"open.png"});
}

}  // namespace
}  // namespace draxo
