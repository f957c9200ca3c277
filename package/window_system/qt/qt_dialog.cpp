// Qt backend: modal dialogs made from the in-memory templates the package
// writes. Buttons become QPushButton, edit fields QLineEdit or (multi-line)
// QPlainTextEdit, static texts QLabel; dialog units are converted with the
// dialog font's base units.
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextDocument>
#include <QWindow>
#include <algorithm>
#include <utility>
#include <vector>

#include "qt_backend.h"

namespace draxo::ws {
namespace qt {
namespace {

QString text_of(const std::u16string& s) { return QString::fromStdU16String(s); }

// The dialog units of a font (ws::dialog_units): its average character
// width and its character height.
dialog_units base_units_of(const QFont& font) {
    QFontMetrics metrics(font);
    return dialog_units(metrics.averageCharWidth(), metrics.height());
}

// Without DS_SETFONT a dialog uses the desktop's dialog font.
QFont dialog_font(const dialog_template& t) {
    QFont font = QApplication::font();
    if (t.style & DS_SETFONT) {
        QString face = text_of(t.face);
        if (!face.isEmpty() && QFontDatabase::hasFamily(face)) font.setFamily(face);
        if (t.point_size > 0) font.setPointSize(t.point_size);
    }
    return legible(font);
}

// A multi-line edit field in a dialog. Enter presses the dialog's default
// button, as in a one-line field, unless the field asks for Enter itself
// (ES_WANTRETURN); Ctrl+Enter always starts a new line. Tab moves on to the
// next control.
class DialogTextEdit : public QPlainTextEdit {
public:
    DialogTextEdit(bool wants_return, QWidget* parent) : QPlainTextEdit(parent), wants_return_(wants_return) {
        setTabChangesFocus(true);
    }

protected:
    void keyPressEvent(QKeyEvent* e) override {
        bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
        if (enter && (wants_return_ || (e->modifiers() & Qt::ControlModifier))) {
            if (!isReadOnly()) insertPlainText(QStringLiteral("\n"));
            e->accept();
            return;
        }
        if (enter || e->key() == Qt::Key_Escape) {
            e->ignore();  // for the dialog
            return;
        }
        QPlainTextEdit::keyPressEvent(e);
    }

private:
    bool wants_return_;
};

class TemplateDialog : public QDialog {
public:
    TemplateDialog(dialog d, Qt::WindowFlags flags) : QDialog(nullptr, flags), handle_(d) {}

    struct control {
        unsigned id;
        QWidget* widget;
    };
    std::vector<control> controls;
    QPushButton* default_button = nullptr;
    QWidget* first_tab_stop = nullptr;

    void command(unsigned id) { native_dialog_command(handle_, id); }
    dialog handle() const { return handle_; }
    // The native window was destroyed from outside the program.
    bool native_destroyed = false;

protected:
    void keyPressEvent(QKeyEvent* e) override {
        switch (e->key()) {
        case Qt::Key_Escape: command(IDCANCEL); break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // A push button with the focus is pressed; otherwise the default one.
            if (auto* focused = qobject_cast<QPushButton*>(focusWidget()); focused && focused->isEnabled())
                focused->click();
            else if (default_button && default_button->isEnabled())
                default_button->click();
            else if (!default_button)
                command(IDOK);
            break;
        default: QWidget::keyPressEvent(e); return;
        }
        e->accept();
    }
    // The close box asks the procedure (IDCANCEL) and closes nothing by itself.
    void closeEvent(QCloseEvent* e) override {
        e->ignore();
        command(IDCANCEL);
    }
    void reject() override { command(IDCANCEL); }

private:
    dialog handle_;
};

}  // namespace

// Outside the unnamed namespace, beside native_of(window), so that a
// qualified call finds both.
TemplateDialog* native_of(dialog d) { return d ? static_cast<TemplateDialog*>(d->native) : nullptr; }

bool dialog_destroyed_natively(std::uint64_t native_id) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dlg = dynamic_cast<TemplateDialog*>(widget);
        if (!dlg || dlg->internalWinId() != native_id || dlg->native_destroyed) continue;
        dlg->native_destroyed = true;
        native_dialog_destroyed(dlg->handle());
        return true;
    }
    return false;
}

namespace {

QWidget* make_button(TemplateDialog* parent, const dialog_item_template& item) {
    auto* button = new QPushButton(text_of(item.text), parent);
    // Only BS_DEFPUSHBUTTON makes a default button; focus does not move it.
    button->setAutoDefault(false);
    if ((item.style & 0x0Fu) == BS_DEFPUSHBUTTON) {
        button->setDefault(true);
        if (!parent->default_button) parent->default_button = button;
    }
    unsigned id = item.id;
    QObject::connect(button, &QPushButton::clicked, parent, [parent, id] { parent->command(id); });
    return button;
}

QWidget* make_edit(TemplateDialog* parent, const dialog_item_template& item) {
    bool border = item.style & WS_BORDER;
    if (!(item.style & ES_MULTILINE)) {
        auto* edit = new QLineEdit(text_of(item.text), parent);
        edit->setFrame(border);
        edit->setReadOnly(item.style & ES_READONLY);
        return edit;
    }
    auto* edit = new DialogTextEdit(item.style & ES_WANTRETURN, parent);
    edit->setPlainText(text_of(item.text));
    edit->setFrameShape(border ? QFrame::StyledPanel : QFrame::NoFrame);
    edit->setReadOnly(item.style & ES_READONLY);
    // Without horizontal scrolling long lines wrap at the field's edge.
    edit->setLineWrapMode((item.style & ES_AUTOHSCROLL) ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
    edit->setVerticalScrollBarPolicy((item.style & WS_VSCROLL) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    edit->setHorizontalScrollBarPolicy((item.style & WS_HSCROLL) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    return edit;
}

QWidget* make_static(TemplateDialog* parent, const dialog_item_template& item) {
    // Plain text always: whatever the text holds is shown as it is.
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text_of(item.text));
    unsigned kind = item.style & 0x1Fu;
    Qt::Alignment horizontal = kind == SS_CENTER  ? Qt::AlignHCenter
                               : kind == SS_RIGHT ? Qt::AlignRight
                                                  : Qt::AlignLeft;
    label->setAlignment(horizontal | Qt::AlignTop);
    label->setWordWrap(kind != SS_LEFTNOWORDWRAP);
    return label;
}

QWidget* make_control(TemplateDialog* parent, const dialog_item_template& item) {
    if (!item.class_name.empty()) return nullptr;  // no classes by name
    switch (item.class_atom) {
    case CONTROL_BUTTON: return make_button(parent, item);
    case CONTROL_EDIT: return make_edit(parent, item);
    case CONTROL_STATIC: return make_static(parent, item);
    default: return nullptr;
    }
}

Qt::WindowFlags dialog_flags(std::uint32_t style) {
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint;
    if ((style & WS_CAPTION) == WS_CAPTION) flags |= Qt::WindowTitleHint;
    if (style & WS_SYSMENU) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    return flags;
}

// The dialog's outer top-left corner: the template's position from the
// owner's client area, kept on the owner's screen.
QPoint dialog_position(dialog d, const dialog_units& units, QSize size) {
    const dialog_template& t = d->layout;
    QPoint at(units.px(t.x), units.py(t.y));
    QScreen* screen = QGuiApplication::primaryScreen();
    if (FrameWindow* owner = native_of(d->owner)) {
        at = owner->client()->mapToGlobal(at);
        if (owner->screen()) screen = owner->screen();
    }
    if (screen) {
        QRect area = screen->availableGeometry();
        at.setX(std::max(area.left(), std::min(at.x(), area.right() + 1 - size.width())));
        at.setY(std::max(area.top(), std::min(at.y(), area.bottom() + 1 - size.height())));
    }
    return at;
}

// A multi-line edit's text with its line breaks as "\r\n"; other controls'
// text as it is.
QString control_text(QWidget* widget) {
    if (auto* edit = qobject_cast<QPlainTextEdit*>(widget)) {
        // The raw text keeps no-break spaces; blocks and forced line breaks
        // are separated by the two separator characters.
        QString raw = edit->document()->toRawText();
        QString text;
        text.reserve(raw.size());
        for (QChar c : raw) {
            if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator || c == QLatin1Char('\n'))
                text += QStringLiteral("\r\n");
            else
                text += c;
        }
        return text;
    }
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text();
    if (auto* button = qobject_cast<QPushButton*>(widget)) return button->text();
    if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
    return {};
}

}  // namespace
}  // namespace qt

namespace backend {

bool create_dialog(dialog d) {
    const dialog_template& t = d->layout;
    auto* dlg = new qt::TemplateDialog(d, qt::dialog_flags(t.style));
    dlg->setWindowTitle(qt::text_of(t.title));
    QFont font = qt::dialog_font(t);
    dlg->setFont(font);
    const dialog_units units = qt::base_units_of(font);

    QWidget* previous_tab_stop = nullptr;
    for (const dialog_item_template& item : t.items) {
        QWidget* control = qt::make_control(dlg, item);
        if (!control) {
            delete dlg;
            return false;
        }
        control->setGeometry(units.px(item.x), units.py(item.y), units.px(item.cx), units.py(item.cy));
        control->setVisible(item.style & WS_VISIBLE);
        control->setEnabled(!(item.style & WS_DISABLED));
        // Tab stops in template order; other controls take the focus only when clicked.
        if (item.style & WS_TABSTOP) {
            control->setFocusPolicy(Qt::StrongFocus);
            if (previous_tab_stop)
                QWidget::setTabOrder(previous_tab_stop, control);
            else
                dlg->first_tab_stop = control;
            previous_tab_stop = control;
        } else if (control->focusPolicy() != Qt::NoFocus) {
            control->setFocusPolicy(Qt::ClickFocus);
        }
        dlg->controls.push_back({item.id, control});
    }

    QSize size(units.px(t.cx), units.py(t.cy));
    dlg->setFixedSize(size);
    dlg->move(qt::dialog_position(d, units, size));
    // Owned by the package window: kept above it, which takes no input
    // while the dialog is open; other windows go on as before.
    if (qt::FrameWindow* owner = qt::native_of(d->owner)) {
        dlg->winId();
        owner->winId();
        dlg->windowHandle()->setTransientParent(owner->windowHandle());
    }
    dlg->setWindowModality(Qt::WindowModal);
    d->native = dlg;
    return true;
}

void show_dialog(dialog d) {
    qt::TemplateDialog* dlg = qt::native_of(d);
    if (!dlg) return;
    dlg->show();
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) dlg->raise();
    dlg->activateWindow();
}

void focus_first_tab_stop(dialog d) {
    qt::TemplateDialog* dlg = qt::native_of(d);
    if (dlg && dlg->first_tab_stop) dlg->first_tab_stop->setFocus(Qt::TabFocusReason);
}

bool dialog_item_text(dialog d, unsigned id, std::string& utf8) {
    qt::TemplateDialog* dlg = qt::native_of(d);
    if (!dlg) return false;
    for (const auto& c : dlg->controls) {
        if (c.id != id) continue;
        utf8 = qt::control_text(c.widget).toStdString();
        return true;
    }
    return false;
}

void destroy_dialog(dialog d) {
    qt::TemplateDialog* dlg = qt::native_of(d);
    d->native = nullptr;
    if (!dlg) return;
    bool was_active = dlg->isActiveWindow() || dlg->native_destroyed;
    if (dlg->native_destroyed)
        dlg->deleteLater();  // its native window is gone: Qt only forgets it
    else {
        dlg->hide();
        delete dlg;
    }
    qt::FrameWindow* owner = qt::native_of(d->owner);
    if (was_active && owner && owner->isVisible()) {
        owner->activateWindow();
        owner->client()->setFocus(Qt::ActiveWindowFocusReason);
    }
}

}  // namespace backend
}  // namespace draxo::ws
