#include "tests/support/WhileShown.h"

#include <QApplication>
#include <QTimer>

namespace kestro::test {

bool whileShown(QAction& entry, QDialog& dialog, const std::function<void()>& inside) {
    bool shown = false;
    QTimer::singleShot(0, &dialog, [&] {
        if (!dialog.isVisible())
            return;
        shown = dialog.isModal();
        inside();
        if (dialog.isVisible())
            dialog.done(QDialog::Rejected);
    });
    entry.trigger();
    // Not shown: the pending call is dropped with nothing to act on.
    QApplication::processEvents();
    return shown;
}

}  // namespace kestro::test
