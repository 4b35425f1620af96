#include "platform/FileReplace.h"

#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kestro {

namespace {

// A link is saved through: the file it names gets the new contents.
QString finalName(const QString& fileName) {
    const QFileInfo info(fileName);
    return info.isSymLink() && info.exists() ? info.canonicalFilePath() : fileName;
}

bool syncToDisk(QFile& file) {
#ifdef Q_OS_WIN
    return _commit(file.handle()) == 0;
#else
    return ::fsync(file.handle()) == 0;
#endif
}

// Writes the whole of `bytes` to a new file; a full disk shows as a short
// size even when every write seemed to succeed.
bool writeNewFile(const QString& name, const QByteArray& bytes, QString* error) {
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        *error = file.errorString();
        return false;
    }
    if (file.write(bytes) != bytes.size() || !file.flush() || file.size() != bytes.size()) {
        *error = file.errorString();
        return false;
    }
    if (!syncToDisk(file)) {
        *error = QStringLiteral("the file could not be written to the disk");
        return false;
    }
    return true;
}

// The user may write the target itself: a file the user may not change is
// not replaced behind its back (the folder may well take new files). Opening
// for appending changes nothing in the file.
bool mayWrite(const QString& target, QString* error) {
    QFile file(target);
    if (!file.exists() || file.open(QIODevice::Append))
        return true;
    *error = file.errorString();
    return false;
}

// The new file takes the place of the old one with its owner and mode, as if
// the old one had been written in place. Only root may give a file away; for
// anybody else the owner stays the user.
void keepOwnerAndMode(const QString& from, const QString& target) {
#ifdef Q_OS_WIN
    QFile::setPermissions(from, QFileInfo(target).permissions());
#else
    struct stat old {};
    const QByteArray targetName = QFile::encodeName(target);
    const QByteArray fromName = QFile::encodeName(from);
    if (::stat(targetName.constData(), &old) != 0)
        return;
    if (::chown(fromName.constData(), old.st_uid, old.st_gid) != 0)
        (void)::chown(fromName.constData(), uid_t(-1), old.st_gid);
    ::chmod(fromName.constData(), old.st_mode & 07777);
#endif
}

bool renameOver(const QString& from, const QString& to, QString* error) {
    std::error_code failure;
    std::filesystem::rename(QFileInfo(from).filesystemFilePath(),
                            QFileInfo(to).filesystemFilePath(), failure);
    if (failure)
        *error = QString::fromStdString(failure.message());
    return !failure;
}

}  // namespace

bool ReplaceFileContents(const QString& fileName, const QByteArray& bytes, QString* error) {
    const QString target = finalName(fileName);
    const QString saving = target + SavingSuffix;
    if (!mayWrite(target, error))
        return false;
    // What a cut save left, or anything else by that name (a link is removed,
    // never followed).
    const QFileInfo leftover(saving);
    if ((leftover.exists() || leftover.isSymLink()) && !QFile::remove(saving)) {
        *error = QStringLiteral("%1 is in the way").arg(saving);
        return false;
    }
    if (!writeNewFile(saving, bytes, error)) {
        QFile::remove(saving);
        return false;
    }
    if (QFileInfo::exists(target))
        keepOwnerAndMode(saving, target);
    if (!renameOver(saving, target, error)) {
        QFile::remove(saving);
        return false;
    }
    return true;
}

}  // namespace kestro
