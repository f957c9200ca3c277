// Tests of the Qt backend draw into windows that nobody needs to see.
#include "qt_support.h"

#include <QApplication>
#include <QWidget>
#include <cstdlib>

namespace draxo::test {
namespace {

[[maybe_unused]] const int offscreen_chosen = setenv("QT_QPA_PLATFORM", "offscreen", 0);

}  // namespace

QWidget* top_level(const char* title) {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isWindow() && widget->windowTitle() == QLatin1String(title)) return widget;
    return nullptr;
}

}  // namespace draxo::test
