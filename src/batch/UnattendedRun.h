#pragma once

#include "JobFile.h"
#include "TerminalProgress.h"
#include "engine/RunHost.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <optional>

namespace qv {

class Taaform1;

// Runs one job file without a user: the wizard takes the job's values,
// presses its own Next page after page, converts, saves its progress log
// beside the job file and closes.
class UnattendedRun : public QObject {
public:
    // The batch start: the job read, the "Start time:" line (then
    // `earlierMessages`, shown before the run began), the job applied, and
    // the timer that presses Next. From here on the log file follows the
    // progress log. A job that cannot be read is told in the log file, which
    // then holds two lines (see startFailed()); a job whose log path is its
    // own path is refused on standard error and no log is written.
    UnattendedRun(Taaform1& form, const QString& jobPath, const QStringList& earlierMessages = {});

    bool startFailed() const { return startFailed_; }
    // Whether the run reached its end and saved the log file.
    bool completed() const { return completed_; }
    QString logPath() const { return logPath_; }

    // 0 when the run completed with every step done, 1 when it completed
    // with failed steps, 2 when it did not complete or was stopped by a signal.
    int exitStatus() const;

    // A signal to end the run: during the conversion it acts as a confirmed
    // Stop; otherwise, and when the stopped run has ended, the log file is
    // saved and the program ends with status 2.
    void stopBySignal();

    // Saves the progress log to the log file; raises when it cannot.
    void saveLog() const;

    // The job path with its extension replaced by ".log" (appended when it has none).
    static QString logPathFor(const QString& jobPath);
    // The local date in the short format, and the long time unless it is midnight.
    static QString timeStamp(const QDateTime& when);

private:
    void afterNext();
    void batchEnd(const RunOutcome& outcome);
    void logChanged(bool lineAdded);
    void endStopped();

    Taaform1& form_;
    QString logPath_;
    std::optional<JobFile> job_;
    QTimer timer_;
    bool tablesChosen_ = false;
    bool startFailed_ = false;
    bool completed_ = false;
    bool stoppedBySignal_ = false;
    RunOutcome outcome_;  // of the completed run
    mutable QElapsedTimer sinceSave_;
    TerminalProgress terminal_;  // the progress line, never the log file
};

}  // namespace qv
