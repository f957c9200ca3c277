// Acts on a modal dialog while it is open: a test starts a driver, then
// calls the blocking dialog; the driver runs its steps from the dialog's own
// event loop, one step per pass, on the dialog with the given title once it
// is shown and active, as a user would.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <utility>
#include <vector>

namespace draxo::test {

class dialog_driver {
public:
    // A step returns true when it is done; false to be run again on a later pass.
    using step = std::function<bool(QWidget* dialog)>;

    dialog_driver(QString title, std::vector<step> steps) : title_(std::move(title)), steps_(std::move(steps)) {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start();
    }

    // Wraps an action that is done at once.
    static step act(std::function<void(QWidget*)> action) {
        return [action = std::move(action)](QWidget* dialog) {
            action(dialog);
            return true;
        };
    }

    int steps_done() const { return done_; }
    bool finished() const { return done_ == static_cast<int>(steps_.size()); }

private:
    QWidget* open_dialog() const {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->isVisible() && widget->isActiveWindow() && widget->windowTitle() == title_) return widget;
        return nullptr;
    }

    void poll() {
        if (finished()) {
            timer_.stop();
            return;
        }
        if (QWidget* dialog = open_dialog())
            if (steps_[static_cast<std::size_t>(done_)](dialog)) ++done_;
    }

    QString title_;
    std::vector<step> steps_;
    int done_ = 0;
    QTimer timer_;
};

}  // namespace draxo::test
