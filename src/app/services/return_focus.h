// Gives the keyboard focus back to the window a modal box or dialog was shown over.
#pragma once

#include <QWidget>

namespace wingcall::app {

// When a modal box closes, the window it belonged to must take the keystrokes again, so that
// the user can go on with access keys and Tab at once. Window managers usually do this for us;
// without one (a bare X display), nobody would, and the keys would go nowhere.
inline void ReturnFocusTo(QWidget* parent) {
    if (parent == nullptr) {
        return;
    }
    QWidget* window = parent->window();
    if (window->isVisible()) {
        window->activateWindow();
    }
}

}  // namespace wingcall::app
