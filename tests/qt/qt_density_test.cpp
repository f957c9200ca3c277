// The package's windows on a screen of twice the density (Qt's scale factor
// 2, as a desktop at 192 dpi gives it): the drawing window shows each pixel
// of its frame buffer as a 2 x 2 square and reports clicks at their logical
// points; the console counts the screen's own pixels and draws its text at
// twice the size. On a screen too small for the drawing window at that
// factor, and with a factor that is no whole number, the windows take the
// largest whole factor that fits.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "console/console.h"
#include "draxo.h"
#include "support/dialog_driver.h"
#include "support/test_support.h"
#include "surface/display.h"
#include "window_system/qt/qt_backend.h"

namespace draxo {
namespace {

// Before the application object exists: an offscreen screen of this many
// screen pixels, which Qt's factor (QT_SCALE_FACTOR) turns into fewer
// logical ones. Its file is the process's own: the cases run at once in
// processes of their own, each with a screen of its own.
void use_screen(int width, int height, const char* factor, int dpi = 96) {
    const std::string config = testing::TempDir() + "draxo_screen_" + std::to_string(::getpid()) + ".json";
    std::FILE* file = std::fopen(config.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fprintf(file,
                 "{\"screens\": [{\"name\": \"screen\", \"x\": 0, \"y\": 0, \"width\": %d, \"height\": %d, "
                 "\"logicalDpi\": %d, \"logicalBaseDpi\": 96, \"dpr\": 1}]}\n",
                 width, height, dpi);
    std::fclose(file);
    setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).c_str(), 1);
    setenv("QT_SCALE_FACTOR", factor, 1);
}

// A 4K screen at twice the density.
void use_dense_screen() { use_screen(3840, 2160, "2"); }

ws::qt::ClientArea* client_of(ws::window w) { return ws::qt::native_of(w)->client(); }

TEST(QtDensity, TheDrawingWindowShowsEachFramePixelAsASquare) {
    use_dense_screen();
    test::open_package();
    DRAXO_set_logging(0);
    DRAXO_clear_window();
    DRAXO_rectangle(NAVY_BLUE, -50, 40, 30, -20, 0);
    DRAXO_text(RED, -200, 100, 20, "Hg \xCE\xA9");
    copy_to_screen();
    ws::qt::ClientArea* client = client_of(package.drawing_window);
    // Logical pixels as at 96 dpi: the frame buffer is the same.
    EXPECT_EQ(ws::client_rect(package.drawing_window).right, client->width());
    const QImage shown = client->grab().toImage();
    ASSERT_EQ(shown.width(), 2 * client->width());
    for (int row = 0; row < client->height(); row += 3)
        for (int column = 0; column < client->width(); column += 3) {
            const QRgb frame = 0xFF000000u | test::frame_pixel(column, row);
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx)
                    ASSERT_EQ(shown.pixel(2 * column + dx, 2 * row + dy), frame)
                        << "frame pixel " << column << "," << row;
        }
}

TEST(QtDensity, AClickArrivesAtItsLogicalPoint) {
    use_dense_screen();
    test::open_package();
    ws::qt::ClientArea* client = client_of(package.drawing_window);
    QTest::mouseClick(client, Qt::LeftButton, Qt::NoModifier,
                      QPoint(display.origin_x + 10, display.origin_y - 20));
    ws::message m;
    bool found = false;
    while (!found && ws::peek_message(m)) found = m.id == ws::WM_LBUTTONDOWN;
    ASSERT_TRUE(found);
    EXPECT_EQ(m.l & 0xFFFF, display.origin_x + 10);
    EXPECT_EQ((m.l >> 16) & 0xFFFF, display.origin_y - 20);

    // The lower right screen pixel of a logical pixel's square is still
    // that pixel, not the next one.
    const QPointF inside(30.5, 40.5);
    QMouseEvent press(QEvent::MouseButtonPress, inside, client->mapToGlobal(inside), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(client, &press);
    found = false;
    while (!found && ws::peek_message(m)) found = m.id == ws::WM_LBUTTONDOWN;
    ASSERT_TRUE(found);
    EXPECT_EQ(m.l & 0xFFFF, 30);
    EXPECT_EQ((m.l >> 16) & 0xFFFF, 40);

    // As the window system delivers it: Qt rounds the widget's position to
    // the nearest pixel (31, 41), the position in the window keeps 0.5.
    const QPointF in_window = QPointF(30.5, 40.5) + QPointF(client->mapTo(client->window(), QPoint(0, 0)));
    QMouseEvent delivered(QEvent::MouseButtonPress, QPointF(31, 41), in_window, client->mapToGlobal(inside),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(client, &delivered);
    found = false;
    while (!found && ws::peek_message(m)) found = m.id == ws::WM_LBUTTONDOWN;
    ASSERT_TRUE(found);
    EXPECT_EQ(m.l & 0xFFFF, 30);
    EXPECT_EQ((m.l >> 16) & 0xFFFF, 40);
}

TEST(QtDensity, TheConsoleCountsScreenPixelsWithTextTwiceAsLarge) {
    use_dense_screen();
    test::open_package();
    ws::qt::ClientArea* client = client_of(console.console_window);
    ws::rect r = ws::client_rect(console.console_window);
    EXPECT_EQ(r.right, 2 * client->width());
    EXPECT_EQ(r.bottom, 2 * client->height());
    EXPECT_EQ(ws::stock_fixed_font()->font.pixelSize(), 26);
    // A line printed shows as drawn into the surface, one to one.
    DRAXO_show_console(1);
    DRAXO_console_printf(
        "Gr\xC3\xBC\xC3\x9F"
        "e, \xE4\xBD\xA0\xE5\xA5\xBD\n");
    const QImage shown = client->grab().toImage();
    ws::pixels surface = ws::image_pixels(ws::window_surface(console.console_window));
    ASSERT_EQ(shown.width(), surface.width);
    int inked = 0;
    for (int row = 0; row < surface.height; ++row)
        for (int column = 0; column < surface.width; ++column) {
            const std::uint32_t pixel = surface.bits[row * surface.stride + column];
            ASSERT_EQ(shown.pixel(column, row), pixel) << column << "," << row;
            inked += (pixel & 0xFFFFFFu) != 0xFFFFFFu;
        }
    EXPECT_GT(inked, 100);
}

TEST(QtDensity, ADrawingWindowTooLargeForTheScreenAtItsFactorTakesTheLargestThatFits) {
    // 1600 x 900 screen pixels: twice 601 x 540 would not fit, once does.
    use_screen(1600, 900, "2");
    test::open_package();
    EXPECT_EQ(QGuiApplication::primaryScreen()->devicePixelRatio(), 1.0);
    ws::qt::FrameWindow* frame = ws::qt::native_of(package.drawing_window);
    EXPECT_EQ(frame->width(), frame_width);
    EXPECT_EQ(frame->height(), frame_height);
    EXPECT_EQ(ws::stock_fixed_font()->font.pixelSize(), 13);
    // The program's own setting is there again for the programs it starts.
    EXPECT_STREQ(std::getenv("QT_SCALE_FACTOR"), "2");
}

TEST(QtDensity, AFactorThatIsNoWholeNumberIsTakenDown) {
    // One and a half would show a logical pixel as squares of one and two
    // screen pixels by turns.
    use_screen(3840, 2160, "1.5");
    test::open_package();
    EXPECT_EQ(QGuiApplication::primaryScreen()->devicePixelRatio(), 1.0);
    EXPECT_STREQ(std::getenv("QT_SCALE_FACTOR"), "1.5");
}

TEST(QtDensity, ThreeTimesTheDensityOnAScreenWhereTwiceFitsGivesTwice) {
    // 2560 x 1440 screen pixels: three times 540 would not fit, twice does.
    use_screen(2560, 1440, "3");
    test::open_package();
    EXPECT_EQ(QGuiApplication::primaryScreen()->devicePixelRatio(), 2.0);
    ws::qt::FrameWindow* frame = ws::qt::native_of(package.drawing_window);
    EXPECT_EQ(frame->width(), frame_width);
    EXPECT_EQ(client_of(package.drawing_window)->surface_scale(), 1);
    EXPECT_EQ(ws::client_rect(console.console_window).right, 2 * client_of(console.console_window)->width());
}

// A desktop that gives its text 1 dpi (an X resource such as Xft.dpi: 1)
// shrinks text set in points to a pixel or two. The package's menu bar, its
// menu and its input dialog stay legible; the frame buffer is drawn as on
// any desktop.
TEST(QtDensity, AtOneDotPerInchTheMenusAndTheDialogStayLegible) {
    use_screen(1920, 1080, "1", 1);
    test::open_package();
    ASSERT_LT(QFontInfo(QApplication::font()).pixelSize(), ws::qt::legible_pixel_size);  // the desktop's own text
    auto* bar = ws::qt::native_of(package.drawing_window)->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    EXPECT_GE(QFontInfo(bar->font()).pixelSize(), ws::qt::legible_pixel_size);
    EXPECT_GE(bar->height(), ws::qt::legible_pixel_size + 4);
    QMenu* run_menu = bar->actions().at(0)->menu();
    EXPECT_GE(QFontInfo(run_menu->font()).pixelSize(), ws::qt::legible_pixel_size);

    int prompt_height = 0;
    test::dialog_driver driver("DRAXO_gets", {test::dialog_driver::act([&](QWidget* d) {
                                   auto* prompt = d->findChild<QLabel*>();
                                   ASSERT_NE(prompt, nullptr);
                                   EXPECT_GE(QFontInfo(prompt->font()).pixelSize(), ws::qt::legible_pixel_size);
                                   prompt_height = QFontMetrics(prompt->font()).height();
                                   d->findChild<QPushButton*>()->click();
                               })});
    char answer[256] = "";
    DRAXO_gets("Name?", answer);
    EXPECT_TRUE(driver.finished());
    EXPECT_GE(prompt_height, ws::qt::legible_pixel_size);
}

}  // namespace
}  // namespace draxo
