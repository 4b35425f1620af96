#include "tests/support/ScriptedInteraction.h"

#include <gtest/gtest.h>

namespace kestro::test {

Answer ScriptedInteraction::message(MessageKind kind, const QString& text, Buttons buttons) {
    messages.push_back({kind, text, buttons});
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    if (answers.empty()) {
        ADD_FAILURE() << "unscripted question: " << text.toStdString();
        return Answer::No;
    }
    const Answer answer = answers.front();
    answers.pop_front();
    return answer;
}

std::optional<QString> ScriptedInteraction::chooseFile(const FileDialogRequest& request) {
    dialogs.push_back(request);
    if (files.empty()) {
        ADD_FAILURE() << "unscripted file dialog: " << request.title.toStdString();
        return std::nullopt;
    }
    const bool cancelled = !files.front().has_value();
    const QString path = files.front().value_or(QString());
    files.pop_front();
    if (cancelled)
        return std::nullopt;
    return path;
}

}  // namespace kestro::test
