#pragma once
// The user-interaction service for tests: answers come from a script, and
// every message, question, dialog and beep is recorded.

#include <deque>
#include <optional>
#include <vector>

#include "platform/UserInteraction.h"

namespace kestro::test {

struct ShownMessage {
    MessageKind kind;
    QString text;
    Buttons buttons;
};

class ScriptedInteraction : public UserInteraction {
  public:
    ScriptedInteraction() { SetInteraction(this); }
    ~ScriptedInteraction() override { SetInteraction(nullptr); }

    void beep(Beep kind) override { beeps.push_back(kind); }
    Answer message(MessageKind kind, const QString& text, Buttons buttons) override;
    std::optional<QString> chooseFile(const FileDialogRequest& request) override;

    // Scripted replies, used in order. A question without a scripted answer
    // fails the test; a plain message is answered with OK.
    std::deque<Answer> answers;
    std::deque<std::optional<QString>> files;  // nothing = the dialog is cancelled

    std::vector<Beep> beeps;
    std::vector<ShownMessage> messages;
    std::vector<FileDialogRequest> dialogs;
};

}  // namespace kestro::test
