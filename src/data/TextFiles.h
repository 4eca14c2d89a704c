#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace qv {

// The bytes of a text file the program writes: each line followed by CR LF,
// UTF-8 without a byte-order mark.
QByteArray crlfText(const QStringList& lines);

// Replaces the file at path with bytes at once: written to a new file beside
// it, readable and writable by its owner only (and executable by the owner
// when asked) from before the first byte, then renamed over it. A symlink at
// the path is replaced, never written through, and a reader never finds half
// a file. Raises qv::Error "Cannot create file "<full path>". <reason>".
void writeOwnerOnlyFile(const QString& path, const QByteArray& bytes, bool executable = false);

// Creates the file when it is missing and makes it readable and writable by
// its owner only, for files that another writer then fills in place. Returns
// false when the file cannot be opened for writing.
bool makeOwnerOnly(const QString& path);

}  // namespace qv
