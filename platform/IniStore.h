#pragma once
// Sectioned key/value files: the program settings and the configuration
// files. A store is opened for one operation and closed at its end; between
// operations no file is held open.
//
//   IniStore store(path);
//   store.Open();                    // reads the whole file, or nothing when it is missing
//   store.ReadString("SYSTEM", "Name", "");
//   store.WriteInteger("SYSTEM", "Baud", 9600);
//   if (!store.Close()) report(store.ErrorString());
//
// Names are matched without regard to letter case; writing keeps every other
// line of the file (see IniText.h for the line form and value escapes).
// Close saves through a file beside the target that then replaces it (see
// FileReplace.h), so a failed or killed save (full disk, no permission, the
// target a folder) leaves the old file whole. A file that cannot be read (not a plain file,
// larger than MaxFileSize, a read error) reads as empty and is never
// overwritten by this store.

#include <QString>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/IniText.h"

namespace kestro {

class IniStore {
  public:
    // Far beyond any settings or configuration file Kestro writes (a long
    // name or a large foreign section included); anything larger is taken as
    // something else and not read.
    static constexpr qint64 MaxFileSize = 64 * 1024 * 1024;

    // The error text of a file larger than MaxFileSize.
    static QString TooLargeError();

    explicit IniStore(QString fileName) : fileName_(std::move(fileName)) {}

    const QString& FileName() const { return fileName_; }

    // True when the file was read or does not exist; false with ErrorString()
    // when it exists but cannot be read.
    bool Open();
    // Saves the changes made since Open, if any. False with ErrorString()
    // when they could not be saved; the file on disk is then unchanged.
    bool Close();
    QString ErrorString() const { return error_; }
    // True when Open refused the file for its size.
    bool TooLarge() const { return error_ == TooLargeError(); }

    QString ReadString(const QString& section, const QString& key,
                       const QString& defaultValue) const;
    // The default also when the text is not a decimal 32-bit integer.
    int32_t ReadInteger(const QString& section, const QString& key, int32_t defaultValue) const;
    std::vector<std::pair<QString, QString>> ReadSection(const QString& section) const;

    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, int32_t value);

  private:
    QString fileName_;
    IniText text_;
    bool readable_ = false;  // until Open has read the file or found none
    bool changed_ = false;
    QString error_ = QStringLiteral("the store was not opened");
};

}  // namespace kestro
