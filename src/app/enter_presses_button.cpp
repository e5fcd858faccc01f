// A key filter on a button that turns Enter into a click. Qt gives Enter to a focused push
// button only inside dialogs (as "auto default"), and Wingcall's windows are plain windows.
#include "app/enter_presses_button.h"

#include <QAbstractButton>
#include <QEvent>
#include <QKeyEvent>

namespace wingcall::app {
namespace {

class EnterPressesButton final : public QObject {
  public:
    explicit EnterPressesButton(QAbstractButton* button) : QObject(button), button_(button) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != button_ || event->type() != QEvent::KeyPress) {
            return false;
        }
        const auto* key = static_cast<const QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        // A held key repeats: it must not go on into the dialogs the click opens.
        if (!enter || !plain || key->isAutoRepeat() || !button_->isEnabled()) {
            return false;
        }
        button_->click();
        return true;
    }

  private:
    QAbstractButton* button_;
};

}  // namespace

void PressOnEnter(QAbstractButton* button) {
    button->installEventFilter(new EnterPressesButton(button));
}

}  // namespace wingcall::app
