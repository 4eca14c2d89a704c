#pragma once

#include "TestDatabase.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace qv::test {

// The program run on a job file without a display, as cron or ssh would run
// it, with a home folder of its own (stored settings never touch the real one).
class JobProcess {
public:
    JobProcess();

    // A job into `db` from `service`: Remote, utf8, Overwrite, every table;
    // lines in `changes` come first, so they win.
    QString writeJob(const QString& name, const TestDatabase& db, const QString& service,
                     const QStringList& changes = {});
    // Runs it to its end (at most `seconds`: a guard against a hang, not a
    // measure of speed).
    struct Outcome {
        int status = -1;
        QString errors;
    };
    Outcome run(const QString& jobPath, const QStringList& environment = {}, int seconds = 120);
    // Starts it and leaves it running; `process` is then the running program.
    void start(const QString& jobPath, const QStringList& environment = {});
    // Waits (at most `seconds`) until the log file has a line that begins with `prefix`.
    bool waitForLogLine(const QString& logPath, const QString& prefix, int seconds = 120);
    // Waits (at most `seconds`) until the file exists, while the program runs.
    bool waitForFile(const QString& path, int seconds = 120);
    Outcome finish(int seconds = 120);

    static QStringList logLines(const QString& path);  // "(no log file)" when it is missing
    QString storedValue(const QString& name) const;
    QString path(const QString& name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    QTemporaryDir home;
    QProcess process;
};

}  // namespace qv::test
