// Qt backend: menu bars and popups built from the layer's menu model.
// Qt toggles a checkable action by itself when it is chosen; here check marks
// change only when the package sets them, so the mark is put back at once.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>
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

// The bar's look and keys as on Windows (backend.h, Menus). Qt's styles
// highlight a title only while its menu is open, so a bar that holds the
// keyboard with no menu open (after F10, Alt alone, or Escape out of its
// menu) would look as if nothing had the keyboard while every key went to
// it. Here the selected title of a bar with the keyboard is drawn as an open
// one, and Alt pressed and released alone selects the bar.
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

}  // namespace

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
