// The host's message boxes: modal, without an icon, answering with the button pressed.
#pragma once

#include <QString>

class QWidget;

namespace wingcall::app {

// YesNo has Yes as the default button; YesNoDefaultNo, for a question whose Yes may cost the pilot
// something, has No.
enum class MessageButtons { Ok, YesNo, YesNoDefaultNo };

// The answers, numbered as the program has always numbered them.
inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;

// The title a message box shows when its caller gives none.
inline const QString kApplicationTitle = QStringLiteral("Wingcall");

class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    // Shows `text` modally over `parent`, with no icon. An empty `title` shows "Wingcall".
    // Returns kAnswerOk, kAnswerYes or kAnswerNo.
    virtual int show(QWidget* parent, const QString& text, MessageButtons buttons,
                     const QString& title = QString()) = 0;
};

}  // namespace wingcall::app
