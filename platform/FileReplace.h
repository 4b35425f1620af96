#pragma once
// Saving a file so that it is always either the old file or the new one,
// whole, even when the program is killed or the disk fills up mid-save.
//
// The bytes go to a file of a fixed name beside the target (the target's
// name plus SavingSuffix), reach the disk, and that file is then renamed over
// the target. A save cut short by a kill leaves that one file behind, never
// more than one per target, and the next save of the target clears it.

#include <QByteArray>
#include <QString>

namespace kestro {

inline const QString SavingSuffix = QStringLiteral(".kestro-saving");

// False with the reason in `error` when the bytes could not be saved; the
// target is then as it was. A target the user may not write is refused; a
// target that is replaced keeps its owner (where the user may keep it) and
// its mode.
bool ReplaceFileContents(const QString& fileName, const QByteArray& bytes, QString* error);

}  // namespace kestro
