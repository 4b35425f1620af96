#pragma once
// Running test code inside a modal dialog's own event loop.

#include <QAction>
#include <QDialog>
#include <functional>

namespace kestro::test {

// Triggers `entry`, which shows `dialog` modally, runs `inside` in the
// dialog's own loop and rejects the dialog if `inside` left it open.
// False when the dialog never came up modally.
bool whileShown(QAction& entry, QDialog& dialog, const std::function<void()>& inside);

}  // namespace kestro::test
