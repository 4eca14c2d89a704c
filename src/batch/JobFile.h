#pragma once

#include "engine/ConversionSettings.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace qv {

// The job's lines in file order, without line ends: the nineteen settings
// (sslmode, sslca and cleartextlogin last), then "tables1=", "tables2=", ...
// for the listed tables. The character set
// is written as the box shows it, alltables as "1" for all tables.
QStringList jobLines(const ConversionSettings& settings);

// The bytes of the job file: every line ended by CR LF, UTF-8 without a
// byte-order mark.
QByteArray jobFileBytes(const ConversionSettings& settings);

// Writes the job file for settings, readable by its owner only (it holds
// passwords); raises qv::Error "Cannot create file ..." when it cannot.
void writeJobFile(const QString& path, const ConversionSettings& settings);

// path with its extension (from the last "." of the file name) replaced by
// extension, or extension appended when the name has none.
QString changeFileExt(const QString& path, const QString& extension);

// A job file as read: its lines in order and the lookup of values by name.
class JobFile {
public:
    JobFile() = default;
    explicit JobFile(QStringList lines) : lines_(std::move(lines)) {}

    // Reads the whole file. Throws Error "Cannot open file "<full path>".
    // <reason>" when it cannot be opened, or the reason when it cannot be read.
    static JobFile read(const QString& path);
    // Decodes file content: a UTF-16 LE, UTF-16 BE or UTF-8 mark chooses the
    // encoding and is dropped; without one the text is UTF-8. A NUL ends the
    // text; lines end at CR LF, a lone CR or a lone LF.
    static JobFile fromBytes(const QByteArray& bytes);

    const QStringList& lines() const { return lines_; }
    int lineCount() const { return int(lines_.size()); }

    // The value of the first line whose name (the text before its first "=")
    // equals key ignoring case; the empty text when no line has that name.
    QString value(const QString& key) const;

private:
    QStringList lines_;
};

// Puts the job's values into settings, in the file's key order; the table
// selection is left as it is (see jobTables). accessmode and processtable
// must be integers: otherwise throws ConversionError "''<text>'' is not a
// valid integer value", and the keys after the failing one are not applied.
// A character set that is not an entry letter for letter chooses none (and
// the box shows nothing).
void applyJob(const JobFile& job, ConversionSettings& settings);

// The job's tables: all when alltables is "1", else the names of the table
// lines ("tables1" ... up to the number of lines) in their order, empty
// names left out.
TableSelection jobTables(const JobFile& job);

}  // namespace qv
