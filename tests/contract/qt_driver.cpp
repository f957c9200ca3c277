// The contract suite's driver on the Qt backend: Qt's own input events sent
// to the window's widgets, its own close and menu actions, a real SIGTERM,
// and the screen read back as Qt's platform shows it. It runs under Qt's
// offscreen platform, at scales 1 and 2 (QT_SCALE_FACTOR: Qt's logical
// pixels are the layer's), and, on a virtual X server, under X.
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTest>
#include <algorithm>
#include <csignal>
#include <memory>

#include "contract_driver.h"
#include "support/dialog_driver.h"
#include "window_system/qt/qt_backend.h"

namespace draxo::contract {

abilities what_the_backend_can() {
    abilities can;
    can.termination_signals = true;
    can.scale = std::max(1, qEnvironmentVariableIntValue("QT_SCALE_FACTOR"));
    return can;
}

void click(ws::window w, int x, int y) {
    QTest::mouseClick(ws::qt::native_of(w)->client(), Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
}

namespace {

// A key typing one character, any character: Qt's test keys know ASCII only.
void type_into(QWidget* widget, const QString& character) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, character);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, character);
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
}

}  // namespace

void type(ws::window w, char32_t code_point) {
    const char32_t one[] = {code_point};
    type_into(ws::qt::native_of(w)->client(), QString::fromUcs4(one, 1));
}

void choose_menu_item(ws::window w, const std::string& title, const std::string& item) {
    QMenuBar* bar = ws::qt::native_of(w)->findChild<QMenuBar*>();
    if (!bar) return;
    for (QAction* title_action : bar->actions()) {
        if (title_action->text() != QString::fromStdString(title) || !title_action->menu()) continue;
        for (QAction* action : title_action->menu()->actions())
            if (action->text() == QString::fromStdString(item)) action->trigger();
    }
}

void close_box(ws::window w) { ws::qt::native_of(w)->close(); }

void request_termination() { std::raise(SIGTERM); }

void answer_dialog(const std::string& title, const std::string& utf8) {
    // Kept until the process ends: the dialog's loop runs its steps.
    static std::unique_ptr<test::dialog_driver> driver;
    driver = std::make_unique<test::dialog_driver>(
        QString::fromStdString(title),
        std::vector<test::dialog_driver::step>{
            test::dialog_driver::act([text = QString::fromUtf8(utf8.c_str())](QWidget*) {
                QWidget* field = QApplication::focusWidget();
                for (QChar c : text) type_into(field, QString(c));
                QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
                QApplication::sendEvent(field, &enter);
            })});
}

void let_time_pass(int ms) { QTest::qWait(ms); }

bool shown_pixel(ws::window w, int x, int y, std::uint32_t& rgb) {
    QWidget* client = ws::qt::native_of(w)->client();
    QWidget* frame = client->window();
    const QPoint at = client->mapTo(frame, QPoint(x, y));
    const QImage shown =
        QGuiApplication::primaryScreen()->grabWindow(frame->winId(), at.x(), at.y(), 1, 1).toImage();
    if (shown.isNull() || shown.width() < 1) return false;
    rgb = shown.pixel(0, 0) & 0xFFFFFFu;
    return true;
}

}  // namespace draxo::contract
