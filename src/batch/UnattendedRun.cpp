#include "UnattendedRun.h"

#include "data/Errors.h"
#include "wizard/Dialogs.h"
#include "wizard/Taaform1.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLocale>

namespace qv {

QString UnattendedRun::logPathFor(const QString& jobPath)
{
    const qsizetype dot = jobPath.lastIndexOf(QLatin1Char('.'));
    const qsizetype separator = jobPath.lastIndexOf(QLatin1Char('/'));
    if (dot > separator && dot >= 0)
        return jobPath.left(dot) + QStringLiteral(".log");
    return jobPath + QStringLiteral(".log");
}

QString UnattendedRun::timeStamp(const QDateTime& when)
{
    const QLocale locale = QLocale::system();
    QString text = locale.toString(when.date(), QLocale::ShortFormat);
    if (when.time() != QTime(0, 0))
        text += QLatin1Char(' ') + locale.toString(when.time(), QLocale::LongFormat);
    return text;
}

UnattendedRun::UnattendedRun(Taaform1& form, const QString& jobPath)
    : form_(form), logPath_(logPathFor(QFileInfo(jobPath).absoluteFilePath()))
{
    form_.setBatchMode(true);
    form_.appendLine(QStringLiteral("Start time:") + timeStamp(QDateTime::currentDateTime()));
    try {
        job_ = JobFile::read(jobPath);
    } catch (const Error& e) {
        startFailed_ = true;
        form_.appendLine(e.message());
        form_.guarded([this] { saveLog(); });
        return;
    }
    bool applied = false;
    form_.guarded([&] {
        applyJob(*job_, form_);
        applied = true;
    });
    if (!applied)
        return;  // the failure is shown; no walk starts by itself

    form_.setAfterNext([this] { afterNext(); });
    form_.setOnCompletionLines([this] { batchEnd(); });
    timer_.setObjectName(QStringLiteral("Timer1"));
    timer_.setSingleShot(true);
    timer_.setInterval(1000);
    connect(&timer_, &QTimer::timeout, this, [this] { form_.guarded([this] { form_.btnextClick(); }); });
    timer_.start();
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
        chooseJobTables(*job_, form_);
        form_.btnextClick();
    }
}

void UnattendedRun::saveLog() const
{
    writeOwnerOnlyTextFile(logPath_, form_.logLines());
}

void UnattendedRun::batchEnd()
{
    form_.appendLine(QStringLiteral("The end time:") + timeStamp(QDateTime::currentDateTime()));
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
    if (!completed_)
        return 2;
    return form_.lastRunFailures() == 0 ? 0 : 1;
}

}  // namespace qv
