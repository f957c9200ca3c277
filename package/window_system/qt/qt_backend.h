// Shared pieces of the Qt 6 backend of the window-system layer.
#pragma once

#include <QFont>
#include <QImage>
#include <QWidget>
#include <chrono>

#include "../backend.h"

class QMenuBar;

namespace draxo::ws {

struct image_record {
    QImage image;
};

struct font_record {
    QFont font;
    int ascent = 0;
    int descent = 0;
    int internal_leading = 0;
    int external_leading = 0;
    int average_width = 0;
};

namespace qt {

// QWidget has a member named window(); inside widgets the handle type needs its own name.
using window_handle = window_record*;

// Creates the application object on first use. Exits with a plain message
// when there is no display to open windows on.
void ensure_application();

// The client area of a package window: shows the window's surface and turns
// mouse, key and focus input into messages.
class ClientArea : public QWidget {
public:
    explicit ClientArea(window_handle w, QWidget* parent);
    window_handle handle() const { return window_; }
    // Shows the surface's new content: at once, or, when the screen was
    // updated less than a frame ago, at the next frame, so that a program
    // drawing thousands of frames a second never waits for the screen.
    void schedule_update();

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    bool focusNextPrevChild(bool) override { return false; }  // Tab is a key like any other

private:
    void post_button(QMouseEvent* e, bool down);
    window_handle window_;
    bool update_scheduled_ = false;
    std::chrono::steady_clock::time_point last_update_{};
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
    // Places the menu bar and client area and reports the client size.
    void lay_out();

protected:
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    window_handle window_;
    QMenuBar* bar_ = nullptr;
    ClientArea* client_;
    bool native_destroyed_ = false;
};

FrameWindow* frame_of(window w);
// The package window whose client area is or contains this widget, or null.
window window_of_widget(QWidget* widget);

}  // namespace qt
}  // namespace draxo::ws
