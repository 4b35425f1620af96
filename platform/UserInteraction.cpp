#include "platform/UserInteraction.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace kestro {

namespace {
UserInteraction* installed = nullptr;

QMessageBox::Icon iconFor(MessageKind kind) {
    switch (kind) {
        case MessageKind::Information:
            return QMessageBox::Information;
        case MessageKind::Warning:
            return QMessageBox::Warning;
        case MessageKind::Error:
            return QMessageBox::Critical;
        case MessageKind::Confirmation:
            return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons buttonsFor(Buttons buttons) {
    switch (buttons) {
        case Buttons::Ok:
            return QMessageBox::Ok;
        case Buttons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case Buttons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

// Asks before a missing file is accepted by an open dialog.
bool agreeToCreate(const QString& path) {
    if (QFileInfo::exists(path))
        return true;
    const QString text =
        QFileInfo(path).fileName() + "\nThis file does not exist.\nCreate the file?";
    return QMessageBox::question(QApplication::activeWindow(), QApplication::applicationName(),
                                 text) == QMessageBox::Yes;
}
// A typed path may name a folder that does not exist: no file can be opened,
// created or saved there, so the dialog stays up until the user mends it.
bool folderExists(const QString& path) {
    const QFileInfo folder(QFileInfo(path).absolutePath());
    if (folder.isDir())
        return true;
    QMessageBox::warning(QApplication::activeWindow(), QApplication::applicationName(),
                         QDir::toNativeSeparators(folder.filePath()) +
                             "\nThis folder does not exist.\nChoose a folder that exists.");
    return false;
}
}  // namespace

UserInteraction& Interaction() {
    static QtInteraction qt;
    return installed ? *installed : qt;
}

void SetInteraction(UserInteraction* service) {
    installed = service;
}

void QtInteraction::beep(Beep) {
    QApplication::beep();
}

Answer QtInteraction::message(MessageKind kind, const QString& text, Buttons buttons) {
    QMessageBox box(iconFor(kind), QApplication::applicationName(), text, buttonsFor(buttons),
                    QApplication::activeWindow());
    switch (box.exec()) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        case QMessageBox::Cancel:
            return Answer::Cancel;
        default:
            return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    }
}

std::optional<QString> QtInteraction::chooseFile(const FileDialogRequest& request) {
    QFileDialog dialog(QApplication::activeWindow(), request.title, request.folder, request.filter);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save || request.confirmCreate ? QFileDialog::AnyFile
                                                             : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    while (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        const QString path = dialog.selectedFiles().first();
        if (!folderExists(path))
            continue;
        if (request.save || !request.confirmCreate || agreeToCreate(path))
            return path;
    }
    return std::nullopt;
}

}  // namespace kestro
