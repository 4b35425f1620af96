#include "shell/SettingsLocation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace kestro {

namespace {

// The settings are saved through a temporary file beside the target, so
// the folder itself must take new files.
bool CanSaveInto(const QString& folder) {
    const QFileInfo target(QDir(folder).filePath(kSettingsFileName));
    if (target.exists() && !target.isFile())
        return false;
    QTemporaryFile probe(QDir(folder).filePath("Kestro-XXXXXX.tmp"));
    return probe.open();
}

// A system-wide install keeps no settings beside its program, not even when
// run by root, who could write there.
bool IsSystemFolder([[maybe_unused]] const QString& folder) {
#ifdef Q_OS_UNIX
    for (const char* prefix : {"/usr/", "/opt/", "/bin/", "/sbin/"}) {
        if (folder.startsWith(QLatin1String(prefix)))
            return true;
    }
#endif
    return false;
}

}  // namespace

QString FolderWithSeparator(const QString& folder) {
    QString path = QDir::toNativeSeparators(QDir(folder).absolutePath());
    if (!path.endsWith(QDir::separator()))
        path += QDir::separator();
    return path;
}

QString UserSettingsFolder() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return FolderWithSeparator(QDir(base).filePath("Kestro"));
}

SettingsLocation LocateSettings(const QString& programFolder) {
    const QString program = FolderWithSeparator(programFolder);
    const QString programFile = program + kSettingsFileName;
    if (!IsSystemFolder(program) && CanSaveInto(program))
        return {programFile, programFile, program};

    const QString user = UserSettingsFolder();
    const QString userFile = user + kSettingsFileName;
    if (QDir().mkpath(user) && CanSaveInto(user)) {
        // A system-wide Kestro.ini (with its [PORTS] section, say) becomes
        // the user's first settings.
        if (!QFileInfo::exists(userFile) && QFileInfo(programFile).isFile() &&
            !QFile::copy(programFile, userFile))
            return {programFile, userFile, user};
        return {userFile, userFile, user};
    }
    return {programFile, QString(), program};
}

}  // namespace kestro
