// Qt backend: menu bars and popups built from the layer's menu model, and
// the keyboard at the bar by the core's rules (ws_menu_keys.h).
// Qt toggles a checkable action by itself when it is chosen; here check marks
// change only when the package sets them, so the mark is put back at once.
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>
#include <algorithm>
#include <vector>

#include "qt_backend.h"

namespace draxo::ws {
namespace {

struct native_menu {
    QMenuBar* bar = nullptr;
    QMenu* popup = nullptr;
    std::vector<QAction*> actions;
};

native_menu* native_of(menu m) { return static_cast<native_menu*>(m->native); }

// The bar's look as on Windows (backend.h, Menus). Qt's styles highlight a
// title only while its menu is open, so a bar that holds the keyboard with
// no menu open (after F10, Alt alone, or Escape out of its menu) would look
// as if nothing had the keyboard while every key went to it. Here the
// selected title of a bar with the keyboard is drawn as an open one. The
// style lets the bar hold the keyboard at all (its Alt key navigation); when
// it does is for the core's rules to say (FrameWindow::menu_bar_key).
class menu_bar_style : public QProxyStyle {
public:
    menu_bar_style() : QProxyStyle(QApplication::style()->name()) {}

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (element == CE_MenuBarItem && item && (item->state & State_Selected) && widget && widget->hasFocus()) {
            QStyleOptionMenuItem held(*item);
            held.state |= State_Sunken;
            QProxyStyle::drawControl(element, &held, painter, widget);
            return;
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override {
        if (hint == SH_MenuBar_AltKeyNavigation) return 1;
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }
};

void show_check(QAction* action, bool checked) {
    // Only a checked item is checkable, so unchecked items draw no empty box.
    action->setCheckable(checked);
    action->setChecked(checked);
}

// A key as the menu bar's rules tell keys apart.
menu_key key_of(int qt_key) {
    switch (qt_key) {
    case Qt::Key_Alt: return menu_key::alt;
    case Qt::Key_F10: return menu_key::f10;
    case Qt::Key_Escape: return menu_key::escape;
    case Qt::Key_Down: return menu_key::down;
    case Qt::Key_Up: return menu_key::up;
    case Qt::Key_Return:
    case Qt::Key_Enter: return menu_key::enter;
    default: return menu_key::other;
    }
}

// The title of the bar whose mnemonic (Alt and its underlined letter) the
// key is, or -1.
int mnemonic_title(const QMenuBar* bar, int qt_key) {
    const QList<QAction*> titles = bar->actions();
    for (int i = 0; i < titles.size(); ++i) {
        const QKeySequence mnemonic = QKeySequence::mnemonic(titles[i]->text());
        if (!mnemonic.isEmpty() && mnemonic[0].key() == qt_key) return i;
    }
    return -1;
}

void send_key(QWidget* to, int qt_key) {
    QKeyEvent press(QEvent::KeyPress, qt_key, Qt::NoModifier);
    QCoreApplication::sendEvent(to, &press);
}

// The package window, with a menu bar of at least one title, that a key
// sent to this widget belongs to: to its client area (the window holds the
// keyboard), its bar (the bar holds it) or the bar's open menu.
qt::FrameWindow* frame_for_key(QWidget* receiver) {
    qt::FrameWindow* frame = nullptr;
    if (auto* client = dynamic_cast<qt::ClientArea*>(receiver))
        frame = qt::native_of(client->handle());
    else if (qobject_cast<QMenuBar*>(receiver))
        frame = dynamic_cast<qt::FrameWindow*>(receiver->parentWidget());
    else if (qobject_cast<QMenu*>(receiver))
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* candidate = dynamic_cast<qt::FrameWindow*>(widget);
                candidate && candidate->open_menu() == receiver)
                frame = candidate;
    QMenuBar* bar = frame ? frame->findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    return bar && !bar->actions().isEmpty() ? frame : nullptr;
}

// Every key for a package window with a menu bar goes by the core's rules
// first. Qt's bar would take Alt pressed and released alone itself, from the
// shortcut check that comes before each key: that check of Alt is kept from
// it, and the rules select the bar.
class menu_bar_keys : public QObject {
protected:
    bool eventFilter(QObject* target, QEvent* e) override {
        const QEvent::Type type = e->type();
        if (qt::sending_keys ||
            (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride))
            return false;
        auto* receiver = qobject_cast<QWidget*>(target);
        qt::FrameWindow* frame = receiver ? frame_for_key(receiver) : nullptr;
        if (!frame) return false;
        auto* key = static_cast<QKeyEvent*>(e);
        if (type == QEvent::ShortcutOverride) return key->key() == Qt::Key_Alt;
        return frame->menu_bar_key(key);
    }
};

}  // namespace

namespace qt {

bool sending_keys = false;

void watch_menu_bar_keys() {
    static auto* watch = new menu_bar_keys;
    QCoreApplication::instance()->installEventFilter(watch);
}

QWidget* FrameWindow::open_menu() const {
    QWidget* popup = QApplication::activePopupWidget();
    if (!bar_ || !popup) return nullptr;
    for (const QAction* title : bar_->actions())
        if (title->menu() == popup) return popup;
    return nullptr;
}

void FrameWindow::catch_up_with_the_bar() {
    const menu_bar_keyboard::holder held = open_menu()                ? menu_bar_keyboard::menu_open
                                           : bar_ && bar_->hasFocus() ? menu_bar_keyboard::bar_holds
                                                                      : menu_bar_keyboard::window_holds;
    if (held != keys_.held) {
        // Changed by the mouse, or by Qt's shortcut for Alt and a mnemonic:
        // whatever the Alt key did before does not count any more.
        keys_.held = held;
        keys_.alt_alone = false;
    }
    if (held != menu_bar_keyboard::window_holds)
        keys_.title = std::max(0, static_cast<int>(bar_->actions().indexOf(bar_->activeAction())));
}

void FrameWindow::open_title(int title) {
    const QList<QAction*> titles = bar_->actions();
    if (title < 0 || title >= titles.size()) return;
    sending_keys = true;
    if (bar_->hasFocus() && !open_menu()) {
        // The bar holds the keyboard: its own keys move its highlight and
        // open the menu with the first item highlighted.
        for (int moves = 0; bar_->activeAction() != titles[title] && moves < titles.size(); ++moves)
            send_key(bar_, Qt::Key_Right);
        send_key(bar_, Qt::Key_Down);
    } else {
        bar_->setActiveAction(titles[title]);
        if (QMenu* menu = titles[title]->menu(); menu && menu->isVisible() && !menu->activeAction())
            send_key(menu, Qt::Key_Down);
    }
    sending_keys = false;
}

bool FrameWindow::menu_bar_key(QKeyEvent* e) {
    catch_up_with_the_bar();
    const Qt::KeyboardModifiers held = e->modifiers();
    menu_key_event key;
    key.key = key_of(e->key());
    key.down = e->type() == QEvent::KeyPress;
    key.repeat = e->isAutoRepeat();
    key.alt = held & Qt::AltModifier;
    key.ctrl = held & Qt::ControlModifier;
    key.shift = held & (Qt::ShiftModifier | Qt::MetaModifier);
    key.mnemonic_title = mnemonic_title(bar_, e->key());
    const menu_bar_answer answer = ws::menu_bar_key(keys_, key, static_cast<int>(bar_->actions().size()));
    switch (answer.action) {
    case menu_bar_action::none: break;
    case menu_bar_action::select:
        if (QWidget* menu = open_menu()) {
            // The open menu's own Escape closes it and leaves the bar
            // holding the keyboard, its title highlighted.
            sending_keys = true;
            send_key(menu, Qt::Key_Escape);
            sending_keys = false;
        } else {
            toggle_menu_bar();
        }
        break;
    case menu_bar_action::open: open_title(answer.title); break;
    case menu_bar_action::release:
        if (bar_->hasFocus() || open_menu()) toggle_menu_bar();
        break;
    case menu_bar_action::menus_own: return false;
    }
    return !answer.to_window;
}

}  // namespace qt

namespace backend {

void create_menu(menu m) {
    auto* native = new native_menu;
    if (m->is_bar) {
        native->bar = new QMenuBar;
        native->bar->setNativeMenuBar(false);
        native->bar->setFont(qt::legible(QApplication::font()));
        auto* style = new menu_bar_style;
        style->setParent(native->bar);
        native->bar->setStyle(style);
    } else {
        native->popup = new QMenu;
        native->popup->setFont(qt::legible(QApplication::font()));
    }
    m->native = native;
}

void menu_item_appended(menu m, int position) {
    native_menu* native = native_of(m);
    const menu_item& item = m->items[static_cast<std::size_t>(position)];
    QString text = QString::fromUtf8(item.text.c_str());
    QAction* action = nullptr;
    if (item.flags & MF_POPUP) {
        QMenu* child = native_of(item.popup)->popup;
        child->setTitle(text);
        action = native->bar ? native->bar->addMenu(child) : native->popup->addMenu(child);
    } else if (item.flags & MF_SEPARATOR) {
        action = native->bar ? native->bar->addSeparator() : native->popup->addSeparator();
    } else {
        action = new QAction(text, native->bar ? static_cast<QObject*>(native->bar) : native->popup);
        if (native->bar)
            native->bar->addAction(action);
        else
            native->popup->addAction(action);
        unsigned id = static_cast<unsigned>(item.id);
        QObject::connect(action, &QAction::triggered, [m, position, action, id] {
            show_check(action, m->items[static_cast<std::size_t>(position)].flags & MF_CHECKED);
            native_menu_command(m, id);
        });
    }
    action->setEnabled(!(item.flags & (MF_GRAYED | MF_DISABLED)));
    if (!(item.flags & (MF_POPUP | MF_SEPARATOR))) show_check(action, item.flags & MF_CHECKED);
    native->actions.push_back(action);
}

void menu_item_changed(menu m, int position) {
    const menu_item& item = m->items[static_cast<std::size_t>(position)];
    QAction* action = native_of(m)->actions[static_cast<std::size_t>(position)];
    action->setEnabled(!(item.flags & (MF_GRAYED | MF_DISABLED)));
    show_check(action, item.flags & MF_CHECKED);
}

void attach_menu(window w, menu m) {
    auto* frame = qt::native_of(w);
    if (!frame) return;
    frame->set_menu_bar(m ? native_of(m)->bar : nullptr);
}

}  // namespace backend
}  // namespace draxo::ws
