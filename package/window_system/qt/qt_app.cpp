// Qt backend: opening and closing the application object, event polling, the
// screen and timers.
#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <cstdlib>
#include <cstring>

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

platform_state& platform() {
    static auto* state = new platform_state;
    return *state;
}

}  // namespace qt

namespace backend {

bool init(std::string& why_not) {
    qt::platform_state& p = qt::platform();
    if (p.application) return true;
    if (!qt::has_display()) {
        why_not =
            "there is no display to open the windows on (DISPLAY is not set).\n"
            "Run the program on a desktop, or under a virtual X server, for example:\n"
            "    xvfb-run -a -s \"-screen 0 1024x768x24\" <program>";
        return false;
    }
    static int argc = 1;
    static char name[] = "draxo";
    static char* argv[] = {name, nullptr};
    p.application = new QApplication(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    static qt::DestroyWatcher watcher;
    p.application->installNativeEventFilter(&watcher);
    QObject::connect(p.application, &QApplication::focusChanged, [](QWidget* old_widget, QWidget* new_widget) {
        window from = qt::window_of_widget(old_widget);
        window to = qt::window_of_widget(new_widget);
        if (from != to) native_focus_changed(from, to);
    });
    return true;
}

// Runs at the end of the process. Qt takes its own objects down then, and by
// this time some of its globals may already be gone, so nothing of Qt's is
// touched here: the native windows, menus and timers end with the process.
void quit() {}

void poll_events(bool block) {
    QCoreApplication::processEvents(block ? QEventLoop::WaitForMoreEvents : QEventLoop::AllEvents);
}

extent screen_size() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return extent{};
    QSize size = screen->geometry().size();
    return extent{size.width(), size.height()};
}

void start_timer(window w, unsigned id, unsigned period_ms) {
    auto* timer = new QTimer;
    timer->setInterval(static_cast<int>(period_ms));
    QObject::connect(timer, &QTimer::timeout, [w, id] { native_timer_fired(w, id); });
    timer->start();
    qt::platform().timers[{w, id}] = timer;
}

void stop_timer(window w, unsigned id) {
    auto& timers = qt::platform().timers;
    auto found = timers.find({w, id});
    if (found == timers.end()) return;
    found->second->stop();
    delete found->second;
    timers.erase(found);
}

}  // namespace backend
}  // namespace draxo::ws
