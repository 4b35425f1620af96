#pragma once
// Every message box, question, file dialog and beep of the program goes
// through this service, so that tests can script the answers and record
// what the user would have seen and heard.

#include <QString>
#include <optional>

namespace kestro {

enum class Beep { Default = 0, Hand = 16, Question = 32, Exclamation = 48, Asterisk = 64 };
enum class MessageKind { Information, Warning, Error, Confirmation };
enum class Buttons { Ok, YesNo, YesNoCancel };
enum class Answer { Ok, Yes, No, Cancel };

struct FileDialogRequest {
    QString title;
    QString folder;    // where the dialog starts
    QString fileName;  // proposed in the file name field
    QString filter;    // as "Configuration (*.cfg)"
    QString defaultSuffix;
    bool save = false;
    bool confirmOverwrite = false;  // save: ask before replacing a file
    bool confirmCreate = false;     // open: a missing file only after the user agreed to create it
};

class UserInteraction {
  public:
    virtual ~UserInteraction() = default;
    virtual void beep(Beep kind) = 0;
    virtual Answer message(MessageKind kind, const QString& text, Buttons buttons) = 0;
    // The chosen file's full path, or nothing when the dialog was cancelled.
    virtual std::optional<QString> chooseFile(const FileDialogRequest& request) = 0;
};

// The service the program uses; QtInteraction until a test installs another.
UserInteraction& Interaction();
void SetInteraction(UserInteraction* service);

// Message boxes, file dialogs and system beeps on Qt Widgets.
class QtInteraction : public UserInteraction {
  public:
    void beep(Beep kind) override;
    Answer message(MessageKind kind, const QString& text, Buttons buttons) override;
    std::optional<QString> chooseFile(const FileDialogRequest& request) override;
};

}  // namespace kestro
