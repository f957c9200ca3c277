// Qt backend: the application object, event polling, the screen and timers.
#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <utility>

#include "qt_backend.h"

namespace draxo::ws {
namespace qt {
namespace {

bool has_display() {
    if (std::getenv("QT_QPA_PLATFORM")) return true;  // the caller chose a platform
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

// Notices when another program destroys one of the package's windows on
// the X server (Qt itself does not report it), so that the package treats
// it as the window's destruction.
class DestroyWatcher : public QAbstractNativeEventFilter {
public:
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t") return false;
        // An X event: the type in the first byte (high bit: sent by a client);
        // a DestroyNotify (17) names the destroyed window at byte 8.
        const auto* bytes = static_cast<const unsigned char*>(message);
        if ((bytes[0] & 0x7F) != 17) return false;
        std::uint32_t destroyed;
        std::memcpy(&destroyed, bytes + 8, sizeof destroyed);
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* frame = dynamic_cast<FrameWindow*>(widget);
            if (frame && frame->internalWinId() == destroyed && !frame->native_destroyed()) {
                frame->mark_native_destroyed();
                native_window_destroyed(frame->client()->handle());
            }
        }
        return false;
    }
};

}  // namespace

void ensure_application() {
    if (QApplication::instance()) return;
    if (!has_display()) {
        std::fprintf(stderr,
                     "DRAXO: there is no display to open the windows on (DISPLAY is not set).\n"
                     "Run the program on a desktop, or under a virtual X server, for example:\n"
                     "    xvfb-run -a -s \"-screen 0 1024x768x24\" <program>\n");
        std::exit(1);
    }
    static int argc = 1;
    static char name[] = "draxo";
    static char* argv[] = {name, nullptr};
    auto* app = new QApplication(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    static DestroyWatcher watcher;
    app->installNativeEventFilter(&watcher);
    QObject::connect(app, &QApplication::focusChanged, [](QWidget* old_widget, QWidget* new_widget) {
        window from = window_of_widget(old_widget);
        window to = window_of_widget(new_widget);
        if (from != to) native_focus_changed(from, to);
    });
}

}  // namespace qt

namespace backend {

namespace {
std::map<std::pair<window, unsigned>, QTimer*> native_timers;
}

void poll_events(bool block) {
    qt::ensure_application();
    QCoreApplication::processEvents(block ? QEventLoop::WaitForMoreEvents : QEventLoop::AllEvents);
}

extent screen_size() {
    qt::ensure_application();
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return extent{};
    QSize size = screen->geometry().size();
    return extent{size.width(), size.height()};
}

void start_timer(window w, unsigned id, unsigned period_ms) {
    qt::ensure_application();
    auto* timer = new QTimer;
    timer->setInterval(static_cast<int>(period_ms));
    QObject::connect(timer, &QTimer::timeout, [w, id] { native_timer_fired(w, id); });
    timer->start();
    native_timers[{w, id}] = timer;
}

void stop_timer(window w, unsigned id) {
    auto found = native_timers.find({w, id});
    if (found == native_timers.end()) return;
    found->second->stop();
    delete found->second;
    native_timers.erase(found);
}

}  // namespace backend
}  // namespace draxo::ws
