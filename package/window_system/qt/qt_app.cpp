// Qt backend: opening and closing the application object, event polling, the
// screen and timers.
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "qt_backend.h"

namespace draxo::ws {
namespace qt {
namespace {

const char* const virtual_display_advice =
    "Run the program on a desktop, or under a virtual X server, for example:\n"
    "    xvfb-run -a -s \"-screen 0 1024x768x24\" <program>";

// Standard input, output or error closed when the program started (>&-)
// would be taken by the next file opened: the display's connection, into
// which the program's first printf would then go. They are opened on the
// null device first.
void keep_standard_streams_open() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
    }
}

// Qt's messages while the application object is made. A platform that
// cannot be opened (no X server at DISPLAY, a malformed DISPLAY, an unknown
// QT_QPA_PLATFORM) ends in a fatal message, an abort and a core dump, after
// advice to reinstall. Instead, the package says what went wrong and exits
// with 1. Messages of a start that succeeds are passed on afterwards.
QtMessageHandler handler_before_start = nullptr;
QList<std::tuple<QtMsgType, QString>> messages_at_start;

void on_message_at_start(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg) {
        messages_at_start.append({type, text});
        (void)context;
        return;
    }
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform) {
        // Qt's last word lists the window systems it has.
        qsizetype listed = text.indexOf(QLatin1String("Available platform plugins are: "));
        QString choices = listed < 0 ? QString() : text.mid(listed + 32).trimmed();
        std::fprintf(stderr,
                     "DRAXO: there is no window system \"%s\", which QT_QPA_PLATFORM names; the ones there are: "
                     "%s\nUnset QT_QPA_PLATFORM to open the windows on the desktop.\n",
                     platform, choices.toLocal8Bit().constData());
    } else {
        // The first thing Qt said is why; its last word advises reinstalling.
        QString why = messages_at_start.isEmpty() ? text : std::get<1>(messages_at_start.front());
        const char* display = std::getenv("DISPLAY");
        std::fprintf(stderr, "DRAXO: cannot open the windows on the display \"%s\": %s.\n%s\n",
                     display ? display : "", why.toLocal8Bit().constData(), virtual_display_advice);
    }
    std::fflush(nullptr);
    ::_exit(1);
}

void pass_on_messages_at_start() {
    qInstallMessageHandler(handler_before_start);
    for (const auto& [type, text] : messages_at_start) {
        QMessageLogContext context;
        if (handler_before_start)
            handler_before_start(type, context, text);
        else
            std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    }
    messages_at_start.clear();
}

// A screen of fewer colours than the frame buffer's (8 bits a pixel) cannot
// show what is drawn: the package says so instead of opening its windows.
bool screen_can_show_colours(std::string& why_not) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen || screen->depth() >= 15) return true;
    why_not = "the screen shows only " + std::to_string(screen->depth()) +
              "-bit colour; the package's windows need a screen of 16 or more bits a pixel.\n" +
              virtual_display_advice;
    return false;
}

bool has_display() {
    if (std::getenv("QT_QPA_PLATFORM")) return true;  // the caller chose a platform
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

// Qt keeps a few files of its own in the user's runtime directory, which
// XDG_RUNTIME_DIR names; where it is not set (a virtual X server, root in a
// container), Qt prints a warning on standard error before using a private
// folder of /tmp. A program's output is its own: the same folder is made
// and named here, without a word, when it is the user's alone (mode 0700),
// or made so. Anything else (another owner, other rights) is left to Qt.
void provide_runtime_directory() {
    const char* given = std::getenv("XDG_RUNTIME_DIR");
    if (given && *given) return;
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = tmp && *tmp ? tmp : "/tmp";
    const passwd* user = getpwuid(geteuid());
    folder += "/runtime-" + (user && user->pw_name ? std::string(user->pw_name) : std::to_string(geteuid()));
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return;
    struct stat st {};
    if (lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid()) return;
    if ((st.st_mode & 0777) != 0700 && chmod(folder.c_str(), 0700) != 0) return;
    setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
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

// Without a screen, Qt's offscreen platform: windows, fonts and text as on a
// desktop, and no display at all. Chosen here rather than in the
// environment, which the program's own children inherit.
QApplication* make_application() {
    static int argc = 1;
    static char name[] = "draxo";
    static char platform_option[] = "-platform";
    static char offscreen[] = "offscreen";
    static char* argv[] = {name, nullptr, nullptr, nullptr};
    if (headless()) {
        argc = 3;
        argv[1] = platform_option;
        argv[2] = offscreen;
    }
    return new QApplication(argc, argv);
}

// The scale the windows are to have (ws::fitting_scale) from Qt's factor
// for the primary screen, the desktop's, and the screen's size in its own
// pixels.
int fitting_scale(extent must_fit) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return 1;
    const qreal factor = screen->devicePixelRatio();
    const QSizeF pixels = QSizeF(screen->geometry().size()) * factor;
    // Whole pixels: a whole window size is larger than the screen's exactly
    // when it is larger than its whole part.
    const extent whole{static_cast<int>(std::floor(pixels.width())),
                       static_cast<int>(std::floor(pixels.height()))};
    return ws::fitting_scale(factor, must_fit, whole);
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
    if (!headless() && !qt::has_display()) {
        why_not = std::string("there is no display to open the windows on (DISPLAY is not set).\n") +
                  qt::virtual_display_advice;
        return false;
    }
    qt::keep_standard_streams_open();
    qt::provide_runtime_directory();
    qt::handler_before_start = qInstallMessageHandler(qt::on_message_at_start);
    p.application = qt::make_scaled_application(must_fit);
    qt::pass_on_messages_at_start();
    if (!qt::screen_can_show_colours(why_not)) return false;
    QApplication::setQuitOnLastWindowClosed(false);
    static qt::DestroyWatcher watcher;
    p.application->installNativeEventFilter(&watcher);
    QObject::connect(p.application, &QApplication::focusChanged, [](QWidget* old_widget, QWidget* new_widget) {
        window from = qt::window_of_widget(old_widget);
        window to = qt::window_of_widget(new_widget);
        if (from != to) native_focus_changed(from, to);
    });
    // The system's requests to end the program: the core's POSIX signal
    // handling, whose descriptor the event loop watches.
    if (int requests = watch_termination_signals(); requests >= 0) {
        auto* notifier = new QSocketNotifier(requests, QSocketNotifier::Read, p.application);
        QObject::connect(notifier, &QSocketNotifier::activated, [] { termination_signalled(); });
    }
    qt::watch_menu_bar_keys();
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
