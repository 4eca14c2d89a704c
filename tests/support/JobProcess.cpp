#include "JobProcess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QThread>
#include <gtest/gtest.h>

namespace qv::test {

JobProcess::JobProcess() = default;

QString JobProcess::writeJob(const QString& name, const TestDatabase& db, const QString& service,
                             const QStringList& changes)
{
    QStringList lines{QStringLiteral("accessmode=1"), QStringLiteral("mysqldatabase=") + db.name(),
                      QStringLiteral("mysqlu=qvtest"), QStringLiteral("mysqlp=qvtest"),
                      QStringLiteral("host=127.0.0.1"), QStringLiteral("port=%1").arg(db.sandbox().port),
                      QStringLiteral("Character Set=36"), QStringLiteral("oracleh=") + service,
                      QStringLiteral("oracleu=scott"), QStringLiteral("oraclep=tiger"),
                      QStringLiteral("processtable=0"), QStringLiteral("tabledefonly=0"),
                      QStringLiteral("nameuppercase=1"), QStringLiteral("skipindex=0"),
                      QStringLiteral("alltables=1")};
    lines = changes + lines;  // the first of two lines wins
    const QString jobPath = dir.filePath(name);
    QFile file(jobPath);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(lines.join(QStringLiteral("\r\n")).toUtf8() + "\r\n");
    return jobPath;
}

void JobProcess::start(const QString& jobPath, const QStringList& environment)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    for (const QString& entry : environment) {
        const qsizetype eq = entry.indexOf(QLatin1Char('='));
        env.insert(entry.left(eq), entry.mid(eq + 1));
    }
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(QUORVANE_BINARY), {jobPath});
    EXPECT_TRUE(process.waitForStarted(30000));
}

JobProcess::Outcome JobProcess::finish(int seconds)
{
    EXPECT_TRUE(process.waitForFinished(seconds * 1000));
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardError())};
}

JobProcess::Outcome JobProcess::run(const QString& jobPath, const QStringList& environment, int seconds)
{
    start(jobPath, environment);
    return finish(seconds);
}

bool JobProcess::waitForLogLine(const QString& logPath, const QString& prefix, int seconds)
{
    // Polls the file the program keeps current; not a wait for time to pass.
    const QDeadlineTimer deadline(seconds * 1000);
    while (!deadline.hasExpired() && process.state() != QProcess::NotRunning) {
        for (const QString& line : logLines(logPath))
            if (line.startsWith(prefix))
                return true;
        QThread::msleep(20);
    }
    return false;
}

bool JobProcess::waitForFile(const QString& path, int seconds)
{
    const QDeadlineTimer deadline(seconds * 1000);
    while (!deadline.hasExpired() && process.state() != QProcess::NotRunning) {
        if (QFileInfo::exists(path))
            return true;
        QThread::msleep(20);
    }
    return QFileInfo::exists(path);
}

QStringList JobProcess::logLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("(no log file)")};
    QString text = QString::fromUtf8(file.readAll());
    if (text.endsWith(QStringLiteral("\r\n")))
        text.chop(2);
    return text.split(QStringLiteral("\r\n"));
}

QString JobProcess::storedValue(const QString& name) const
{
    QSettings settings(home.filePath(QStringLiteral("config/Zembrix/Quorvane.conf")), QSettings::IniFormat);
    return settings.value(name).toString();
}

}  // namespace qv::test
