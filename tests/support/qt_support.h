// Helpers for tests of the Qt backend, under Qt's offscreen platform.
#pragma once

class QWidget;

namespace draxo::test {

// The top-level Qt widget with this title, or null.
QWidget* top_level(const char* title);

}  // namespace draxo::test
