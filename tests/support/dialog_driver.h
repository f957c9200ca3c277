// Acts on a modal dialog while it is open: start a driver, then call the
// blocking dialog. From the dialog's own event loop the driver runs its
// steps, one per pass, on the shown and active dialog with the given title.
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
    // A step returns true when done, false to be run again on a later pass.
    using step = std::function<bool(QWidget* dialog)>;
    static step act(std::function<void(QWidget*)> action) {
        return [action = std::move(action)](QWidget* dialog) {
            action(dialog);
            return true;
        };
    }

    dialog_driver(QString title, std::vector<step> steps) : title_(std::move(title)), steps_(std::move(steps)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start(5);
    }
    bool finished() const { return done_ == steps_.size(); }

private:
    void poll() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (finished() || !w->isVisible() || !w->isActiveWindow() || w->windowTitle() != title_) continue;
            if (steps_[done_](w)) ++done_;
            return;
        }
    }

    QString title_;
    std::vector<step> steps_;
    std::size_t done_ = 0;
    QTimer timer_;
};

}  // namespace draxo::test
