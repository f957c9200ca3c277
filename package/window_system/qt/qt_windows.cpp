// Qt backend: top-level windows, their client areas, and native input turned
// into messages.
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QTimer>
#include <QWindow>
#include <QtMath>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>

#include "qt_backend.h"

namespace draxo::ws {
namespace qt {
namespace {

unsigned virtual_key(const QKeyEvent* e) {
    int key = e->key();
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<unsigned>(key);  // 0x41..0x5A
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<unsigned>(key);  // 0x30..0x39
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return VK_F1 + static_cast<unsigned>(key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_CapsLock: return VK_CAPITAL;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon: return 0xBA;
    case Qt::Key_Equal:
    case Qt::Key_Plus: return 0xBB;
    case Qt::Key_Comma:
    case Qt::Key_Less: return 0xBC;
    case Qt::Key_Minus:
    case Qt::Key_Underscore: return 0xBD;
    case Qt::Key_Period:
    case Qt::Key_Greater: return 0xBE;
    case Qt::Key_Slash:
    case Qt::Key_Question: return 0xBF;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde: return 0xC0;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft: return 0xDB;
    case Qt::Key_Backslash:
    case Qt::Key_Bar: return 0xDC;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight: return 0xDD;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl: return 0xDE;
    default: break;
    }
    // Other Latin-1 keys (accented letters): their own code, outside the
    // ranges above.
    if (key > 0x7F && key <= 0xFF) return static_cast<unsigned>(key);
    return 0;
}

// The package's character for what a key press types (ws::typed_character),
// or -1 for none; more than one character at once types '?'.
int typed_character(const QKeyEvent* e) {
    const QList<uint> typed = e->text().toUcs4();
    if (typed.isEmpty()) return -1;
    return typed.size() == 1 ? ws::typed_character(static_cast<long>(typed.front())) : '?';
}

// A rectangle of the layer's (right and bottom exclusive) as Qt's.
QRect qt_rect(const rect& r) {
    return r.right > r.left && r.bottom > r.top ? QRect(r.left, r.top, r.right - r.left, r.bottom - r.top)
                                                : QRect();
}

lparam key_lparam(const QKeyEvent* e, bool down) {
    std::uint32_t value = 1u | ((e->nativeScanCode() & 0xFFu) << 16);
    if (e->modifiers() & Qt::AltModifier) value |= 1u << 29;
    if (!down || e->isAutoRepeat()) value |= 1u << 30;
    if (!down) value |= 1u << 31;
    return static_cast<lparam>(value);
}

// The modifier keys held with the input, as Qt saw them (ws::HELD_*).
int modifiers_of(const QInputEvent* e) {
    return ((e->modifiers() & Qt::ShiftModifier) ? HELD_SHIFT : 0) |
           ((e->modifiers() & Qt::ControlModifier) ? HELD_CONTROL : 0) |
           ((e->modifiers() & Qt::AltModifier) ? HELD_ALT : 0);
}

wparam mouse_keys(const QMouseEvent* e) {
    wparam keys = 0;
    if (e->buttons() & Qt::LeftButton) keys |= MK_LBUTTON;
    if (e->buttons() & Qt::RightButton) keys |= MK_RBUTTON;
    if (e->buttons() & Qt::MiddleButton) keys |= MK_MBUTTON;
    if (e->modifiers() & Qt::ShiftModifier) keys |= MK_SHIFT;
    if (e->modifiers() & Qt::ControlModifier) keys |= MK_CONTROL;
    return keys;
}

Qt::WindowFlags flags_for(unsigned style) {
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint;
    if ((style & WS_CAPTION) == WS_CAPTION) flags |= Qt::WindowTitleHint;
    if (style & WS_SYSMENU) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (style & WS_MINIMIZEBOX) flags |= Qt::WindowMinimizeButtonHint;
    if (style & WS_MAXIMIZEBOX) flags |= Qt::WindowMaximizeButtonHint;
    return flags;
}

}  // namespace

ClientArea::ClientArea(window_handle w, QWidget* parent) : QWidget(parent), window_(w) {
    // On X11 the client area is a window of its own, so that tools outside
    // the program find exactly where the drawing surface lies.
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        setAttribute(Qt::WA_DontCreateNativeAncestors);
        setAttribute(Qt::WA_NativeWindow);
    }
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_KeyCompression, false);
}

int ClientArea::surface_scale() const {
    if (!(window_->class_style & CS_DEVICE_PIXELS)) return 1;
    return std::max(1, qRound(devicePixelRatioF()));
}

void ClientArea::paintEvent(QPaintEvent* e) {
    unpainted_ -= e->region();
    if (!window_->surface) return;
    QPainter painter(this);
    // A logical surface is shown with each pixel a square of the screen's
    // scale factor (the painter does not smooth an image it enlarges); a
    // surface in device pixels one to one.
    const int scale = surface_scale();
    for (const QRect& part : e->region()) {
        if (scale == 1)
            painter.drawImage(part.topLeft(), window_->surface->image, part);
        else
            painter.drawImage(
                QRectF(part), window_->surface->image,
                QRectF(part.x() * scale, part.y() * scale, part.width() * scale, part.height() * scale));
    }
}

QRect ClientArea::logical(const QRect& surface_part) const {
    const int scale = surface_scale();
    if (scale == 1 || surface_part.isEmpty()) return surface_part;
    return QRect(QPoint(surface_part.left() / scale, surface_part.top() / scale),
                 QPoint(surface_part.right() / scale, surface_part.bottom() / scale));
}

void ClientArea::show_area(const QRect& surface_part) {
    const QRect changed = logical(surface_part);
    if (changed.isEmpty()) return;
    unpainted_ |= changed;
    update(changed);
}

void ClientArea::present(const QRect& surface_part) {
    using namespace std::chrono;
    if (!isVisible()) return;
    // A window shown a moment ago may not be on the screen yet: its native
    // side takes a round trip to the display. Wait for it a little, taking
    // no input meanwhile (input waits in the queue for the package).
    QWindow* native = window()->windowHandle();
    auto give_up = steady_clock::now() + milliseconds(250);
    while (native && !native->isExposed() && steady_clock::now() < give_up)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents, 10);
    const QRegion changed = unpainted_ | logical(surface_part);
    if (changed.isEmpty()) return;  // the screen shows the surface already
    repaint(changed);
    // The painting goes out to the display with the connection's next flush,
    // which the event loop makes.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents, 1);
}

QPointF ClientArea::exact_position(const QMouseEvent* e) const {
    // Qt gives a widget the position rounded to the nearest logical pixel,
    // so that a press on the right or lower half of a pixel's square would
    // land on the next pixel; the position in the native window that took
    // the event keeps its fraction. That one is used when the two agree (an
    // event made by a program may give its own position alone).
    const QWidget* native = windowHandle() ? this : nativeParentWidget();
    const QPointF offset = native && native != this ? QPointF(mapTo(native, QPoint(0, 0))) : QPointF();
    const QPointF exact = e->scenePosition() - offset;
    const QPointF rounded = e->position();
    if (std::abs(exact.x() - rounded.x()) <= 0.5 && std::abs(exact.y() - rounded.y()) <= 0.5) return exact;
    return rounded;
}

void ClientArea::post_button(QMouseEvent* e, bool down) {
    switch (e->button()) {
    case Qt::LeftButton: post_mouse(e, down ? WM_LBUTTONDOWN : WM_LBUTTONUP); break;
    case Qt::RightButton: post_mouse(e, down ? WM_RBUTTONDOWN : WM_RBUTTONUP); break;
    case Qt::MiddleButton: post_mouse(e, down ? WM_MBUTTONDOWN : WM_MBUTTONUP); break;
    default: break;
    }
}

void ClientArea::post_mouse(QMouseEvent* e, unsigned id) {
    // On a dense screen a position falls inside a logical pixel (200.5):
    // it belongs to that pixel, so it is rounded down, never to the nearest.
    const QPointF position = exact_position(e) * surface_scale();
    const QPoint at(qFloor(position.x()), qFloor(position.y()));
    enqueue_input(message{window_, id, mouse_keys(e), make_lparam(at.x(), at.y()), -1, modifiers_of(e)});
}

void ClientArea::mousePressEvent(QMouseEvent* e) { post_button(e, true); }
// The package's windows take no double clicks: the second press is a press.
void ClientArea::mouseDoubleClickEvent(QMouseEvent* e) { post_button(e, true); }
void ClientArea::mouseReleaseEvent(QMouseEvent* e) { post_button(e, false); }
void ClientArea::mouseMoveEvent(QMouseEvent* e) {
    if (e->buttons() & (Qt::LeftButton | Qt::RightButton | Qt::MiddleButton)) post_mouse(e, WM_MOUSEMOVE);
}

// Keys with Alt, and F10, are system keys: they belong to the menu bar.
bool system_key(const QKeyEvent* e) { return (e->modifiers() & Qt::AltModifier) || e->key() == Qt::Key_F10; }

void ClientArea::keyPressEvent(QKeyEvent* e) {
    enqueue_input(message{window_, system_key(e) ? WM_SYSKEYDOWN : WM_KEYDOWN, virtual_key(e), key_lparam(e, true),
                          typed_character(e), modifiers_of(e)});
}

void ClientArea::keyReleaseEvent(QKeyEvent* e) {
    if (e->isAutoRepeat()) return;  // auto-repeat gives repeated key-downs only
    enqueue_input(message{window_, system_key(e) ? WM_SYSKEYUP : WM_KEYUP, virtual_key(e), key_lparam(e, false),
                          -1, modifiers_of(e)});
}

FrameWindow::FrameWindow(window_handle w, Qt::WindowFlags flags)
    : QWidget(nullptr, flags), window_(w), client_(new ClientArea(w, this)) {
    setFocusProxy(client_);
}

void FrameWindow::set_menu_bar(QMenuBar* bar) {
    if (bar_ && bar_ != bar) bar_->setParent(nullptr);
    bar_ = bar;
    if (bar_) {
        bar_->setParent(this);
        bar_->show();
    }
    lay_out();
}

void FrameWindow::toggle_menu_bar() {
    if (!bar_ || bar_->actions().isEmpty()) return;
    sending_keys = true;
    if (bar_->hasFocus() || QApplication::activePopupWidget()) {
        // Escape leaves the bar, as F10 does there (an open menu is closed
        // on the way: it loses the keyboard to the window).
        if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(bar_, &escape);
    } else {
        activateWindow();
        // Qt's bar takes the keyboard when it sees Alt pressed and released
        // alone (its style lets it: qt_menus.cpp, where the real Alt is kept
        // from it); that is the way in. (A key event of a modifier key
        // reports that modifier flipped: the press of Alt with none held
        // says Alt.)
        QKeyEvent alt_pressed(QEvent::ShortcutOverride, Qt::Key_Alt, Qt::NoModifier);
        QCoreApplication::sendEvent(this, &alt_pressed);
        QKeyEvent alt_released(QEvent::KeyRelease, Qt::Key_Alt, Qt::AltModifier);
        QCoreApplication::sendEvent(this, &alt_released);
    }
    sending_keys = false;
}

void FrameWindow::lay_out() {
    int bar_height = bar_ ? bar_->sizeHint().height() : 0;
    if (bar_) bar_->setGeometry(0, 0, width(), bar_height);
    client_->setGeometry(0, bar_height, width(), std::max(0, height() - bar_height));
    const int scale = client_->surface_scale();
    native_client_resized(window_, extent{client_->width() * scale, client_->height() * scale});
}

void FrameWindow::closeEvent(QCloseEvent* e) {
    // The window's procedure decides what closing means.
    e->ignore();
    native_close_requested(window_);
}

void FrameWindow::resizeEvent(QResizeEvent*) { lay_out(); }

void FrameWindow::showEvent(QShowEvent*) { native_window_shown(window_); }

FrameWindow* native_of(window w) { return w ? static_cast<FrameWindow*>(w->native) : nullptr; }

bool frame_destroyed_natively(std::uint64_t native_id) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* frame = dynamic_cast<FrameWindow*>(widget);
        if (!frame || frame->internalWinId() != native_id || frame->native_destroyed()) continue;
        frame->mark_native_destroyed();
        native_window_destroyed(frame->client()->handle());
        return true;
    }
    return false;
}

window window_of_widget(QWidget* widget) {
    for (; widget; widget = widget->parentWidget()) {
        if (auto* area = dynamic_cast<ClientArea*>(widget)) return area->handle();
        if (auto* frame = dynamic_cast<FrameWindow*>(widget)) return frame->client()->handle();
    }
    return nullptr;
}

}  // namespace qt

namespace backend {

void create_window(window w) {
    auto* frame = new qt::FrameWindow(w, qt::flags_for(w->style));
    w->native = frame;
    frame->setWindowTitle(QString::fromUtf8(w->title.c_str()));
    int width = w->outer.right - w->outer.left, height = w->outer.bottom - w->outer.top;
    frame->move(w->outer.left, w->outer.top);
    if (w->style & WS_THICKFRAME)
        frame->resize(width, height);
    else
        frame->setFixedSize(width, height);
    frame->lay_out();
}

void destroy_window(window w) {
    auto* frame = qt::native_of(w);
    if (!frame) return;
    w->native = nullptr;
    if (frame->native_destroyed()) return;  // nothing native is left to take down
    frame->hide();
    delete frame;
}

void activate_menu_bar(window w) {
    if (auto* frame = qt::native_of(w)) frame->toggle_menu_bar();
}

bool show_window(window w, int show_command) {
    auto* frame = qt::native_of(w);
    if (!frame) return false;
    bool was_visible = frame->isVisible();
    switch (show_command) {
    case SW_HIDE: frame->hide(); break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE: frame->showMinimized(); break;
    case SW_SHOWMAXIMIZED: frame->showMaximized(); break;
    case SW_SHOWNOACTIVATE:
    case SW_SHOWNA:
        frame->setAttribute(Qt::WA_ShowWithoutActivating, true);
        frame->show();
        frame->setAttribute(Qt::WA_ShowWithoutActivating, false);
        break;
    case SW_SHOW: frame->show(); break;
    default:  // SW_SHOWNORMAL, SW_RESTORE, SW_SHOWDEFAULT and anything else
        frame->showNormal();
        if (QGuiApplication::platformName() != QLatin1String("offscreen")) frame->raise();
        frame->activateWindow();
        frame->client()->setFocus(Qt::ActiveWindowFocusReason);
        break;
    }
    return was_visible;
}

bool window_visible(window w) {
    auto* frame = qt::native_of(w);
    return frame && frame->isVisible();
}

extent client_size(window w) {
    auto* frame = qt::native_of(w);
    if (!frame) return {};
    const int scale = frame->client()->surface_scale();
    return extent{frame->client()->width() * scale, frame->client()->height() * scale};
}

double now_ms() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

void show_area(window w, const rect& area) {
    if (auto* frame = qt::native_of(w)) frame->client()->show_area(qt::qt_rect(area));
}

void present(window w, const rect& area) {
    if (auto* frame = qt::native_of(w)) frame->client()->present(qt::qt_rect(area));
}

void schedule_frame(window w, int delay_ms) {
    if (auto* frame = qt::native_of(w))
        QTimer::singleShot(delay_ms, frame->client(), [w] { native_frame_due(w); });
}

}  // namespace backend
}  // namespace draxo::ws
