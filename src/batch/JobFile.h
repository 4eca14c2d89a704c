#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace qv {

class Taaform1;

// One conversion's settings as a job file carries them. The indexes are the
// item indexes of the radio groups they come from (-1: no item chosen).
struct JobValues {
    int accessMode = 0;            // 0 local, 1 remote
    QString mysqlDatabase;
    QString port;
    QString mysqlUser;
    QString mysqlPassword;
    QString host;
    QString oracleService;
    QString oracleUser;
    QString oraclePassword;
    int existingTablePolicy = 0;   // 0 Overwrite, 1 Merge, 2 Skip
    QString characterSet;          // the text shown in the character set box
    bool tableDefinitionOnly = false;
    bool skipIndex = false;
    bool nameUppercase = false;
    int selectionMode = 1;         // 0 the listed tables, 1 all tables
    QStringList tables;            // written only when selectionMode is 0

    friend bool operator==(const JobValues&, const JobValues&) = default;
};

// The job's lines in file order, without line ends: the fifteen settings,
// then "tables1=", "tables2=", ... for the listed tables.
QStringList jobLines(const JobValues& values);

// The bytes of the job file: every line ended by CR LF, UTF-8 without a
// byte-order mark.
QByteArray jobFileBytes(const JobValues& values);

// Writes lines as text files of the batch mode are written (CR LF after each
// line, UTF-8 without a mark), replacing the file at once: a symlink at the
// path is replaced, never followed. The file is readable and writable by its
// owner only, from before the first byte is written.
// Throws Error "Cannot create file "<path>". <reason>" when that fails.
void writeOwnerOnlyTextFile(const QString& path, const QStringList& lines);

// Writes the job file for values.
void writeJobFile(const QString& path, const JobValues& values);

// The job editor's values as it shows them on opening: copies of the
// wizard's fields (the database from page 4's edtdatabase2), the check boxes
// and the selected tables, with the wizard's access mode, policy and host.
// The selection mode is the editor's own; it starts at all tables.
JobValues jobEditorValues(const Taaform1& form, int selectionMode = 1);

// Writes the job the editor's values describe. Access mode, policy and host
// are always the wizard's own, whatever the editor passes for them.
void writeJobFile(const QString& path, const Taaform1& form, JobValues editorValues);

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

// Puts the job's values into the wizard's input controls, in the file's key
// order. accessmode and processtable must be integers: otherwise throws
// ConversionError "''<text>'' is not a valid integer value", and the keys
// after the failing one are not applied.
void applyJob(const JobFile& job, Taaform1& form);

// Moves the job's tables from availabletables to selecttables: all of them
// when alltables is "1", else the tables named by the table lines, in the
// lines' order. Names are matched exactly; names that are not listed are
// skipped.
void chooseJobTables(const JobFile& job, Taaform1& form);

}  // namespace qv
