// The Qt 6 backend of the window-system layer (Linux and other Qt desktops):
// its records, its state and the widgets that stand for a package window.
// Files of this backend are the only ones in the package that include Qt.
#pragma once

#include <QFont>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QRawFont>
#include <QRegion>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <utility>

#include "../backend.h"

class QApplication;
class QPainter;
class QMenuBar;
class QTimer;

namespace draxo::ws {

struct image_record {
    QImage image;
};

struct font_record {
    QFont font;
    std::uint64_t id = 0;  // the font matched for a request; its copies share it
    int ascent = 0;
    int descent = 0;
    int internal_leading = 0;
    int external_leading = 0;
    int average_width = 0;
};

namespace qt {

// QWidget has a member named window(); inside widgets the handle type needs its own name.
using window_handle = window_record*;

// Everything this backend keeps between calls, from init to quit.
struct platform_state {
    QApplication* application = nullptr;
    std::map<std::pair<window, unsigned>, QTimer*> timers;
    std::map<font_request, font_record> fonts;  // fonts made, by request
    font stock_fixed = nullptr;
    font system = nullptr;
    std::uint64_t fonts_matched = 0;  // numbers the fonts: font_record::id
};
platform_state& platform();

// The client area of a package window: shows the window's surface and turns
// mouse, key and focus input into messages.
class ClientArea : public QWidget {
public:
    explicit ClientArea(window_handle w, QWidget* parent);
    window_handle handle() const { return window_; }
    // The screen is to show this part of the surface (surface pixels) anew:
    // it is painted at the event loop's next turn.
    void show_area(const QRect& surface_part);
    // Paints this part of the surface, and every part shown before and not
    // painted yet, on the screen now.
    void present(const QRect& surface_part);
    // Surface pixels to a logical pixel: the screen's scale factor for a
    // window of CS_DEVICE_PIXELS, else 1.
    int surface_scale() const;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    // Without mouse tracking Qt reports moves only while a button is held.
    void mouseMoveEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    bool focusNextPrevChild(bool) override { return false; }  // Tab is a key like any other

private:
    // The event's position in the widget, fraction included.
    QPointF exact_position(const QMouseEvent* e) const;
    void post_button(QMouseEvent* e, bool down);
    void post_mouse(QMouseEvent* e, unsigned id);  // with the position and the buttons held
    // The logical pixels that hold this part of the surface.
    QRect logical(const QRect& surface_part) const;
    window_handle window_;
    QRegion unpainted_;  // given to the screen and not painted yet
};

// A top-level package window: optional menu bar above the client area.
class FrameWindow : public QWidget {
public:
    FrameWindow(window_handle w, Qt::WindowFlags flags);
    ClientArea* client() const { return client_; }
    // The native window was destroyed from outside the program.
    bool native_destroyed() const { return native_destroyed_; }
    void mark_native_destroyed() { native_destroyed_ = true; }
    void set_menu_bar(QMenuBar* bar);
    // Gives the menu bar the keyboard with its first title highlighted and
    // no menu open; while the bar has it already, gives it back.
    void toggle_menu_bar();
    // A key for the menu bar's keyboard rules (ws_menu_keys.h), which this
    // window then obeys; true when the key goes no further.
    bool menu_bar_key(QKeyEvent* e);
    // The menu bar's open menu, or null.
    QWidget* open_menu() const;
    // Places the menu bar and client area and reports the client size.
    void lay_out();

protected:
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    // The rules' state as the bar and its menus show it now: a menu opened
    // or closed with the mouse, or by Qt's own Alt and mnemonic shortcut,
    // counts.
    void catch_up_with_the_bar();
    // Moves the bar's highlight to `title` while it holds the keyboard,
    // then opens its menu with its first item highlighted.
    void open_title(int title);
    window_handle window_;
    QMenuBar* bar_ = nullptr;
    ClientArea* client_;
    bool native_destroyed_ = false;
    menu_bar_keyboard keys_;
};

// Hands every key meant for a package window with a menu bar, its bar or
// its open menu to that window's rules (qt_menus.cpp).
void watch_menu_bar_keys();
// Set while the backend sends Qt's widgets keys of its own.
extern bool sending_keys;

FrameWindow* native_of(window w);
// Another program destroyed a native window of this one (X11's
// DestroyNotify): the package window or dialog it belongs to is told, and its
// native side is left alone from then on. True when the window was one of them.
bool frame_destroyed_natively(std::uint64_t native_id);
bool dialog_destroyed_natively(std::uint64_t native_id);

// The package's menus and dialogs are read at a legible size whatever the
// desktop's text density (a desktop set to 1 dpi would shrink them to a few
// pixels): a font smaller than this many pixels is given this size.
constexpr int legible_pixel_size = 10;
QFont legible(QFont font);

// How a line of text (a QString) is laid out and drawn (qt_text.cpp): its
// width; its glyphs, each placed from the start of the baseline; drawing it
// with a painter whose font and pen are set, the top-left of its cell at
// (x, y).
int line_width(const QFont& font, const QString& line);
struct placed_glyphs {
    QRawFont font;
    QList<quint32> indexes;
    QList<QPointF> positions;
};
QList<placed_glyphs> line_glyphs(const QFont& font, const QString& line);
void draw_line(QPainter& painter, const font_record& f, int x, int y, const QString& line);

// Texts drawn again from their glyphs' coverage (qt_text_cache.cpp).
// The width of a line, as line_width gives it, kept.
int cached_width(const font_record& f, const char* text, int length);
// Draws a line in an opaque pen exactly as draw_line does, from the glyphs
// kept for it; false, drawing nothing, when it has none (yet): the caller
// draws it.
bool draw_cached_line(QImage& image, const font_record& f, int x, int y, const char* text, int length,
                      std::uint32_t pen);
// What the kept texts take, in bytes, and the most they may take.
std::size_t cached_text_bytes();
std::size_t cached_text_budget();

// The package window whose client area is or contains this widget, or null.
window window_of_widget(QWidget* widget);

}  // namespace qt
}  // namespace draxo::ws
