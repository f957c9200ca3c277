// Qt backend: opening and closing the application object, event polling, the
// screen and timers.
#include <fcntl.h>
#include <unistd.h>

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
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

// Notices when another program destroys one of the package's windows or
// dialogs on the X server (Qt itself does not report it), so that the
// package treats it as the window's destruction.
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
        if (!frame_destroyed_natively(destroyed)) dialog_destroyed_natively(destroyed);
        return false;
    }
};

// The write end of the termination pipe, for the signal handler, which can
// reach nothing but a global.
volatile int termination_write_end = -1;
constexpr int termination_signals[] = {SIGTERM, SIGINT, SIGHUP};

// Runs in the signal handler: only what is safe there. The signal's own
// handling is put back, so that a second one ends the program at once.
extern "C" void on_termination_signal(int signal_number) {
    int saved_errno = errno;
    std::signal(signal_number, SIG_DFL);
    char byte = static_cast<char>(signal_number);
    if (termination_write_end >= 0) {
        [[maybe_unused]] ssize_t written = ::write(termination_write_end, &byte, 1);
    }
    errno = saved_errno;
}

// Turns SIGTERM, SIGINT and SIGHUP into a request to end the program,
// delivered by the event loop; a signal the program handles itself is left
// to it.
void watch_termination_signals(platform_state& p) {
    if (::pipe(p.termination_pipe) != 0) return;
    for (int fd : p.termination_pipe) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    termination_write_end = p.termination_pipe[1];
    auto* notifier = new QSocketNotifier(p.termination_pipe[0], QSocketNotifier::Read, p.application);
    QObject::connect(notifier, &QSocketNotifier::activated, [read_end = p.termination_pipe[0]] {
        char bytes[16];
        while (::read(read_end, bytes, sizeof bytes) > 0) {
        }
        native_termination_requested();
    });
    for (int signal_number : termination_signals) {
        struct sigaction current {};
        if (::sigaction(signal_number, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) continue;
        struct sigaction handler {};
        handler.sa_handler = on_termination_signal;
        sigemptyset(&handler.sa_mask);
        handler.sa_flags = SA_RESTART;
        ::sigaction(signal_number, &handler, nullptr);
    }
}

QApplication* make_application() {
    static int argc = 1;
    static char name[] = "draxo";
    static char* argv[] = {name, nullptr};
    return new QApplication(argc, argv);
}

// The scale the windows are to have: Qt's factor for the primary screen (the
// desktop's, taken down to a whole number), made smaller while a window of
// `must_fit` would not fit the screen at it.
int fitting_scale(extent must_fit) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return 1;
    const qreal factor = screen->devicePixelRatio();
    const QSizeF pixels = QSizeF(screen->geometry().size()) * factor;
    int scale = std::max(1, static_cast<int>(std::floor(factor + 1e-9)));
    while (scale > 1 && (must_fit.cx * scale > pixels.width() || must_fit.cy * scale > pixels.height())) --scale;
    return scale;
}

// Makes the application object with windows at the screen's whole factor
// (2 at 192 dpi, 1 at 144), so that every logical pixel is a square of
// screen pixels and shapes stay sharp; or, when a window of `must_fit`
// would not fit the screen at that factor, at the largest that fits. Qt
// fixes its factor when the application object is made, so when the one it
// takes is not the one wanted (too large for the screen, or not whole, as
// QT_SCALE_FACTOR=1.5 gives), the object is made again with its factor
// changed through QT_SCALE_FACTOR, which is then put back for the
// program's own children.
QApplication* make_scaled_application(extent must_fit) {
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::Floor);
    QApplication* application = make_application();
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return application;
    const qreal factor = screen->devicePixelRatio();
    const int scale = fitting_scale(must_fit);
    if (std::abs(factor - scale) < 1e-9) return application;
    delete application;
    const QByteArray given = qgetenv("QT_SCALE_FACTOR");
    const qreal given_factor = given.isEmpty() ? 1.0 : std::max(0.01, given.toDouble());
    qputenv("QT_SCALE_FACTOR", QByteArray::number(given_factor * scale / factor, 'g', 17));
    application = make_application();
    if (given.isEmpty())
        qunsetenv("QT_SCALE_FACTOR");
    else
        qputenv("QT_SCALE_FACTOR", given);
    return application;
}

}  // namespace

platform_state& platform() {
    static auto* state = new platform_state;
    return *state;
}

}  // namespace qt

namespace backend {

bool init(std::string& why_not, extent must_fit) {
    qt::platform_state& p = qt::platform();
    if (p.application) return true;
    if (!qt::has_display()) {
        why_not =
            "there is no display to open the windows on (DISPLAY is not set).\n"
            "Run the program on a desktop, or under a virtual X server, for example:\n"
            "    xvfb-run -a -s \"-screen 0 1024x768x24\" <program>";
        return false;
    }
    p.application = qt::make_scaled_application(must_fit);
    QApplication::setQuitOnLastWindowClosed(false);
    static qt::DestroyWatcher watcher;
    p.application->installNativeEventFilter(&watcher);
    QObject::connect(p.application, &QApplication::focusChanged, [](QWidget* old_widget, QWidget* new_widget) {
        window from = qt::window_of_widget(old_widget);
        window to = qt::window_of_widget(new_widget);
        if (from != to) native_focus_changed(from, to);
    });
    qt::watch_termination_signals(p);
    return true;
}

// Runs at the end of the process. Qt takes its own objects down then, and by
// this time some of its globals may already be gone, so nothing of Qt's is
// touched here: the native windows, menus and timers end with the process.
void quit() {}

bool key_held(unsigned virtual_key) {
    Qt::KeyboardModifiers held = QGuiApplication::queryKeyboardModifiers();
    switch (virtual_key) {
    case VK_CONTROL: return held & Qt::ControlModifier;
    case VK_SHIFT: return held & Qt::ShiftModifier;
    case VK_MENU: return held & Qt::AltModifier;
    default: return false;
    }
}

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
