#include "UnattendedRun.h"

#include "data/Errors.h"
#include "data/TextFiles.h"
#include "wizard/Dialogs.h"
#include "wizard/Taaform1.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QLocale>
#include <cstdio>

namespace qv {

QString UnattendedRun::logPathFor(const QString& jobPath)
{
    return changeFileExt(jobPath, QStringLiteral(".log"));
}

QString UnattendedRun::timeStamp(const QDateTime& when)
{
    const QLocale locale = QLocale::system();
    QString text = locale.toString(when.date(), QLocale::ShortFormat);
    // Midnight to the second shows the date alone.
    const QTime time = when.time();
    if (time.hour() != 0 || time.minute() != 0 || time.second() != 0)
        text += QLatin1Char(' ') + locale.toString(when.time(), QLocale::LongFormat);
    return text;
}

UnattendedRun::UnattendedRun(Taaform1& form, const QString& jobPath, const QStringList& earlierMessages)
    : form_(form), logPath_(logPathFor(QFileInfo(jobPath).absoluteFilePath()))
{
    form_.setBatchMode(true);
    // A job whose name ends in .log would be replaced by its own log (the
    // log replaces whatever is at its path, a link included).
    if (QFileInfo(jobPath).absoluteFilePath() == logPath_) {
        startFailed_ = true;
        std::fprintf(stderr,
                     "quorvane: the log of the job %s would be written over the job file itself; give the job "
                     "file another extension (.qvjob)\n",
                     qPrintable(jobPath));
        return;
    }
    // Read before the log file is first written.
    QString readFailure;
    try {
        job_ = JobFile::read(jobPath);
    } catch (const Error& e) {
        readFailure = e.message();
    }
    form_.appendLine(QStringLiteral("Start time:") + timeStamp(QDateTime::currentDateTime()));
    for (const QString& message : earlierMessages)
        form_.appendLine(message);
    // The log file is the progress log from the first line on: an abnormal
    // end leaves what happened, never an earlier run's log.
    form_.guarded([this] { saveLog(); });
    if (!job_) {
        startFailed_ = true;
        form_.appendLine(readFailure);
        form_.guarded([this] { saveLog(); });
        return;
    }
    form_.setOnLogChanged([this](bool lineAdded) { logChanged(lineAdded); });
    form_.setOnProgress([this](const QString& line, bool runEnded) {
        if (runEnded)
            terminal_.end();
        else
            terminal_.show(line);
    });
    bool applied = false;
    ConversionSettings settings = form_.settings();
    form_.guarded([&] {
        applyJob(*job_, settings);
        applied = true;
    });
    form_.applySettings(settings);  // what was read before a bad value too
    if (!applied)
        return;  // the failure is shown; no walk starts by itself

    form_.setAfterNext([this] { afterNext(); });
    form_.setOnCompletionLines([this](const RunOutcome& outcome) { batchEnd(outcome); });
    timer_.setObjectName(QStringLiteral("Timer1"));
    timer_.setSingleShot(true);
    timer_.setInterval(1000);
    connect(&timer_, &QTimer::timeout, this, [this] {
        form_.guarded([this] { form_.btnextClick(); });
        if (stoppedBySignal_ && !completed_)
            endStopped();
    });
    timer_.start();
}

void UnattendedRun::logChanged(bool lineAdded)
{
    // Each new line at once; the running row count at most once a second.
    if (!lineAdded && sinceSave_.isValid() && sinceSave_.elapsed() < 1000)
        return;
    try {
        saveLog();
    } catch (const Error&) {
        // The save at the end of the run tells it.
    }
}

void UnattendedRun::stopBySignal()
{
    stoppedBySignal_ = true;
    if (form_.runInProgress()) {
        // As a confirmed Stop: the copy ends at its next checkpoint, the run
        // at its next table, and the walk returns to the timer's press.
        form_.forceStop();
        return;
    }
    endStopped();
}

void UnattendedRun::endStopped()
{
    if (!form_.logLines().contains(SilentAbort::text()))
        form_.appendLine(SilentAbort::text());
    form_.setOnLogChanged(nullptr);
    try {
        saveLog();
    } catch (const Error& e) {
        std::fprintf(stderr, "quorvane: %s\n", e.what());
    }
    QCoreApplication::exit(2);
}

void UnattendedRun::afterNext()
{
    // Each press starts the next one before it returns, so a failure ends the
    // whole walk at the outermost press.
    const int step = form_.currentStep();
    if (step >= 1 && step <= 4) {
        form_.btnextClick();
    } else if (step == 5 && !tablesChosen_) {
        tablesChosen_ = true;
        form_.chooseTables(jobTables(*job_));
        form_.btnextClick();
    }
}

void UnattendedRun::saveLog() const
{
    sinceSave_.start();
    writeOwnerOnlyFile(logPath_, crlfText(form_.logLines()));
}

void UnattendedRun::batchEnd(const RunOutcome& outcome)
{
    outcome_ = outcome;
    terminal_.end();  // before a failure to save is told there
    form_.appendLine(QStringLiteral("The end time:") + timeStamp(QDateTime::currentDateTime()));
    form_.setOnLogChanged(nullptr);  // the closing line stays out of the file
    try {
        saveLog();
    } catch (const Error& e) {
        form_.dialogs().showError(&form_, Taaform1::applicationTitle(), e.message());
        return;  // the window stays open
    }
    completed_ = true;
    form_.close();
}

int UnattendedRun::exitStatus() const
{
    if (!completed_ || stoppedBySignal_)
        return 2;
    return outcome_.succeeded() ? 0 : 1;
}

}  // namespace qv
