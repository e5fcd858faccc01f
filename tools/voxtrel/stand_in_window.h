// The stand-in's one window: the commands of the profile, its push-to-talk block and what is
// wrong with it.
#pragma once

#include <QList>
#include <QString>
#include <QWidget>

#include "profile.h"

class QListWidget;
class QTableWidget;
class QLabel;

namespace voxtrel {

// The line at the top of the window: a pilot who chose this program at Wingcall's first run must
// learn that it is not Voxtrel, and how to have Wingcall start the real one.
inline const QString kNotVoxtrelText = QStringLiteral(
    "This is Wingcall's stand-in, not Voxtrel. For the real one, rename this voxtrel.exe and "
    "answer Yes to \"Choose voxtrel.exe now?\" in Wingcall.");

// What the window says when it was started without a profile.
inline const QString kNoProfileText = QStringLiteral(
    "No profile was given. To see what Voxtrel would load from a profile, drop its .xml file onto "
    "voxtrel.exe, or let Wingcall start this program after Generate.");

class StandInWindow : public QWidget {
  public:
    StandInWindow(const QString& profilePath, const Profile& profile,
                  const QList<Finding>& findings);
    // The window of a start without a profile: how to give it one, and nothing else to check.
    StandInWindow();

    // For tests and for a look at what is shown.
    QTableWidget* CommandTable() const { return commandTable_; }
    QLabel* PushToTalkSummary() const { return pushToTalkSummary_; }
    QListWidget* FindingList() const { return findingList_; }

  private:
    QTableWidget* commandTable_ = nullptr;
    QLabel* pushToTalkSummary_ = nullptr;
    QListWidget* findingList_ = nullptr;
};

// One line of text describing the push-to-talk block, as the window shows it.
QString DescribePushToTalk(const PushToTalkBlock& block);

// A finding as the window lists it: "Line 12, column 40: ..." or just the text.
QString DescribeFinding(const Finding& finding);

}  // namespace voxtrel
