#include "platform/DurableFile.h"

#include <cerrno>
#include <cstring>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace kestro {

bool DurableFile::create(const QString& path, QString& error) {
    close();
    file_.setFileName(path);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        error = file_.errorString();
        return false;
    }
    return true;
}

bool DurableFile::syncToDisk() {
#ifdef Q_OS_WIN
    return _commit(file_.handle()) == 0;
#else
    return fsync(file_.handle()) == 0;
#endif
}

bool DurableFile::append(const std::string& bytes, QString& error) {
    if (!file_.isOpen()) {
        error = QStringLiteral("the file is not open");
        return false;
    }
    const qint64 before = file_.size();
    errno = 0;
    const bool whole = file_.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size());
    if (whole && syncToDisk())
        return true;
    const int cause = errno;
    error = cause != 0 ? QString::fromLocal8Bit(std::strerror(cause)) : file_.errorString();
    // A piece cut short would leave the file ending inside it.
    file_.resize(before);
    file_.seek(before);
    return false;
}

void DurableFile::close() {
    if (file_.isOpen())
        file_.close();
}

}  // namespace kestro
