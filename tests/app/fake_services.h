// Scripted stand-ins for the host services, so the windows run headless and nothing modal blocks.
#pragma once

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>

#include <deque>
#include <vector>

#include "app/services/app_services.h"
#include "app/services/qt_host_files.h"

namespace wingcall::app::testing {

struct DialogShowing {
    bool save = false;
    QWidget* parent = nullptr;
    FileDialogSettings settings;
};

// Answers each showing with the next scripted result; an unscripted showing fails the test.
class FakeFileDialogs final : public FileDialogs {
  public:
    std::deque<FileDialogResult> answers;
    std::vector<DialogShowing> showings;

    FileDialogResult showOpen(QWidget* parent, const FileDialogSettings& settings) override {
        return answer(false, parent, settings);
    }
    FileDialogResult showSave(QWidget* parent, const FileDialogSettings& settings) override {
        return answer(true, parent, settings);
    }

  private:
    FileDialogResult answer(bool save, QWidget* parent, const FileDialogSettings& settings) {
        showings.push_back({save, parent, settings});
        if (answers.empty()) {
            ADD_FAILURE() << "a file dialog was shown that the test did not expect";
            return std::nullopt;
        }
        // Swapped out rather than copied: GCC misreads a copied optional<QString> as uninitialised.
        FileDialogResult result;
        result.swap(answers.front());
        answers.pop_front();
        // The answer is the name typed; like the real dialogs, a name without any "." gets the
        // default suffix.
        if (result && !settings.defaultSuffix.isEmpty() &&
            !QFileInfo(*result).fileName().contains(u'.')) {
            *result += u'.' + settings.defaultSuffix;
        }
        return result;
    }
};

struct ShownMessage {
    QString text;
    MessageButtons buttons = MessageButtons::Ok;
    QString title;  // as the box shows it: "Wingcall" when the caller gave none
};

// Records every message box; Yes/No questions take the next scripted answer.
class FakeMessageBoxes final : public MessageBoxes {
  public:
    std::deque<int> yesNoAnswers;
    std::vector<ShownMessage> shown;

    int show(QWidget* /*parent*/, const QString& text, MessageButtons buttons,
             const QString& title = QString()) override {
        shown.push_back({text, buttons, title.isEmpty() ? kApplicationTitle : title});
        if (buttons == MessageButtons::Ok) {
            return kAnswerOk;
        }
        if (yesNoAnswers.empty()) {
            ADD_FAILURE() << "an unexpected question: " << text.toStdString();
            return kAnswerNo;
        }
        const int answer = yesNoAnswers.front();
        yesNoAnswers.pop_front();
        return answer;
    }

    QStringList texts() const {
        QStringList result;
        for (const ShownMessage& message : shown) {
            result << message.text;
        }
        return result;
    }
};

struct StartRequest {
    QString executable;
    QStringList arguments;
};

class FakeProgramStarter final : public ProgramStarter {
  public:
    StartResult result{true, QString()};
    std::vector<StartRequest> requests;

    StartResult start(const QString& executable, const QStringList& arguments) override {
        requests.push_back({executable, arguments});
        return result;
    }
};

// Records every address the program asks the browser to open, and answers with `opens`.
class FakeUrlOpener final : public UrlOpener {
  public:
    bool opens = true;
    std::vector<QUrl> opened;

    bool open(const QUrl& address) override {
        opened.push_back(address);
        return opens;
    }
};

// The real file-existence test, with the program's folder set by the test.
class FolderHostFiles final : public QtHostFiles {
  public:
    explicit FolderHostFiles(QString folder) : folder_(std::move(folder)) {}
    QString programFolder() const override { return folder_; }

  private:
    QString folder_;
};

}  // namespace wingcall::app::testing
