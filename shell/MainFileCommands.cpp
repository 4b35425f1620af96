// The configuration file commands of the main window: New, Open, Save,
// Save As, and the choice of the file that an upload from the analyzer
// goes to, with the offer to save unsaved changes first.
#include <QFileInfo>

#include "config/Configuration.h"
#include "device/DeviceCommands.h"
#include "platform/UserInteraction.h"
#include "shell/Main.h"

namespace kestro {

namespace {

const QString kUntitled = "RVX82AUNTITLED.CFG";

FileDialogRequest ConfigFileDialog(const QString& title, const QString& folder,
                                   const QString& fileName) {
    FileDialogRequest request;
    request.title = title;
    request.folder = folder;
    request.fileName = fileName;
    request.filter = "Configuration (*.cfg)";
    request.defaultSuffix = "cfg";
    return request;
}

// A file that does not exist yet is taken only once the user agreed to
// create it.
FileDialogRequest OpenDialog(const QString& title, const QString& fileName) {
    FileDialogRequest request = ConfigFileDialog(title, Settings.Path, fileName);
    request.confirmCreate = true;
    return request;
}

FileDialogRequest SaveDialog(const QString& folder, const QString& fileName) {
    FileDialogRequest request = ConfigFileDialog("Save Configuration", folder, fileName);
    request.save = true;
    request.confirmOverwrite = true;
    return request;
}

// Only while there are unsaved changes; otherwise there is nothing to lose.
Answer AskToSave(Buttons buttons) {
    if (ConfigSaved)
        return Answer::No;
    return Interaction().message(MessageKind::Confirmation,
                                 "Current configuration not saved. Save ?", buttons);
}

// The current configuration file becomes `fullName`.
void SetCurrentFile(const QString& fullName) {
    const QFileInfo file(fullName);
    Settings.FileName = file.fileName();
    Settings.Path = FolderWithSeparator(file.absolutePath());
}

// The current file as it was, to be put back after a failed load or save.
struct CurrentFile {
    QString fileName = Settings.FileName;
    QString path = Settings.Path;
    void restore() const {
        Settings.FileName = fileName;
        Settings.Path = path;
    }
};

}  // namespace

bool TfrmMain::SaveConfig() {
    return WriteConfigFile();
}

void TfrmMain::SaveConfigAs(const QString& proposal) {
    const QFileInfo proposed(proposal);
    const std::optional<QString> chosen = Interaction().chooseFile(
        proposal.isEmpty()
            ? SaveDialog(Settings.Path, "*.cfg")
            : SaveDialog(FolderWithSeparator(proposed.absolutePath()), proposed.fileName()));
    if (!chosen)
        return;
    // A save that failed leaves the current file as the status panel shows
    // it, so that neither a later Save nor the next start looks for a file
    // that was never written.
    const CurrentFile before;
    SetCurrentFile(*chosen);
    if (!SaveConfig())
        before.restore();
}

void TfrmMain::NewConfig(const QString& fullName) {
    const Answer answer = AskToSave(Buttons::YesNoCancel);
    if (answer == Answer::Cancel)
        return;
    // Whether the save dialog is confirmed or not, the new configuration
    // replaces the old one.
    if (answer == Answer::Yes)
        SaveConfigAs(CurrentConfigFile());
    SetCurrentFile(fullName);
    SetDefaultConfig();
    EnableConfigCommands();
}

void TfrmMain::OpenConfig() {
    const std::optional<QString> chosen =
        Interaction().chooseFile(OpenDialog("Open Configuration", QString()));
    if (!chosen)
        return;
    switch (CheckConfigFile(*chosen)) {
        case kConfigValid: {
            // A load that stops at a bad number changes nothing, and the
            // current file stays the one Config came from: a later Save
            // must not write that record over the file that failed to load.
            const CurrentFile before;
            SetCurrentFile(*chosen);
            if (!ReadConfigFile())
                before.restore();
            break;
        }
        case kConfigMissing:
            NewConfig(*chosen);
            break;
        default:
            break;  // the check has told the user
    }
    EnableConfigCommands();
}

bool TfrmMain::SelectUploadTarget() {
    const std::optional<QString> chosen =
        Interaction().chooseFile(OpenDialog("Upload Configuration to ...", Settings.FileName));
    if (!chosen)
        return false;
    SetCurrentFile(*chosen);
    // The chosen file does not hold Config (it receives the upload later).
    ForgetFileRecord();
    ShowCurrentFileName();
    return true;
}

// Neither the choice nor the upload writes the file: the uploaded values
// reach it through a later Save.
void TfrmMain::UploadConfigToFile() {
    const Answer answer = AskToSave(Buttons::YesNoCancel);
    if (answer == Answer::Cancel)
        return;
    if (answer == Answer::Yes)
        SaveConfig();
    if (SelectUploadTarget())
        UploadConfig();
}

void TfrmMain::bbNewConfigClick() {
    NewConfig(Settings.Path + kUntitled);
}

void TfrmMain::bbOpenConfigClick() {
    OpenConfig();
}

void TfrmMain::bbSaveConfigurationClick() {
    SaveConfig();
}

void TfrmMain::bbSaveConfigurationAsClick() {
    SaveConfigAs(QString());
}

}  // namespace kestro
