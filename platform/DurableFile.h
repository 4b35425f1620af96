#pragma once
// A file written a piece at a time where each piece is on the disk when the
// call returns: a crash or power loss after it cannot take it back, and a
// piece that could not be written whole is taken out again, so the file
// always ends after the last whole piece.

#include <QFile>
#include <QString>
#include <string>

namespace kestro {

class DurableFile {
  public:
    // Creates the file, or empties it. False with `error` set when it cannot
    // be written.
    bool create(const QString& path, QString& error);
    // Writes `bytes` at the end and waits for the disk. On failure the file
    // is cut back to where it ended before and `error` says why.
    bool append(const std::string& bytes, QString& error);
    void close();
    bool isOpen() const { return file_.isOpen(); }

  private:
    bool syncToDisk();

    QFile file_;
};

}  // namespace kestro
