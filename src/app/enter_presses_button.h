// Enter presses the button that has the focus, as it does on Windows, in every window.
#pragma once

class QAbstractButton;

namespace wingcall::app {

// Return and the keypad's Enter click `button` while it has the focus and is enabled. Elsewhere
// (a text box, a list) Enter keeps doing what that control does with it.
void PressOnEnter(QAbstractButton* button);

}  // namespace wingcall::app
