#include "shell/MenuAccessKeys.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QShortcutEvent>

#include "shell/EventHook.h"

namespace kestro {

namespace {

QList<QAction*> EnabledMenusWithKey(const QMenuBar& bar, const QKeySequence& key) {
    QList<QAction*> menus;
    for (QAction* menu : bar.actions()) {
        if (menu->isEnabled() && menu->isVisible() && QKeySequence::mnemonic(menu->text()) == key)
            menus.append(menu);
    }
    return menus;
}

bool IsMenuAccessKey(const QMenuBar& bar, const QKeySequence& key) {
    for (const QAction* menu : bar.actions()) {
        if (QKeySequence::mnemonic(menu->text()) == key)
            return true;
    }
    return false;
}

// As Qt and Windows do for a menu opened from the keyboard, so that Enter
// runs its first command (Alt+F, Enter: New configuration).
void HighlightFirstEntry(QAction& menu) {
    QMenu* popup = menu.menu();
    if (!popup)
        return;
    for (QAction* entry : popup->actions()) {
        if (entry->isEnabled() && entry->isVisible() && !entry->isSeparator()) {
            popup->setActiveAction(entry);
            return;
        }
    }
}

}  // namespace

void ServeMenuAccessKeys(QMenuBar& bar) {
    auto last = std::make_shared<QPointer<QAction>>();
    EventHook::Install(bar, [&bar, last](QEvent& event) {
        if (event.type() != QEvent::Shortcut)
            return false;
        const QKeySequence key = static_cast<QShortcutEvent&>(event).key();
        if (!IsMenuAccessKey(bar, key))
            return false;
        const QList<QAction*> menus = EnabledMenusWithKey(bar, key);
        if (!menus.isEmpty()) {
            const qsizetype next = (menus.indexOf(last->data()) + 1) % menus.size();
            *last = menus[next];
            bar.setActiveAction(menus[next]);
            HighlightFirstEntry(*menus[next]);
        }
        return true;
    });
}

}  // namespace kestro
