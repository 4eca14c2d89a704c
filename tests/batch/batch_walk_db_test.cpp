#include "batch/UnattendedRun.h"
#include "support/Controls.h"
#include "support/QtPrinters.h"
#include "support/SchemaFile.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDatabase.h"
#include "wizard/Taaform1.h"

#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace {

// The automatic walk in a window that a user can see: a failing page stops
// it with the error display and no log file; Next after a correction resumes it.
class BatchWalk : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetStoredSettings();
        qputenv("QUORVANE_LANGUAGE", "en");
        form = std::make_unique<Taaform1>(dialogs);
        form->show();
    }

    QString writeJob(const QString& password)
    {
        const QStringList lines{
            QStringLiteral("accessmode=1"), QStringLiteral("mysqldatabase=") + db.name(),
            QStringLiteral("port=%1").arg(db.sandbox().port), QStringLiteral("mysqlu=qvtest"),
            QStringLiteral("mysqlp=") + password, QStringLiteral("host=127.0.0.1"),
            QStringLiteral("oracleh=") + schema.service(), QStringLiteral("oracleu=scott"),
            QStringLiteral("oraclep=tiger"), QStringLiteral("processtable=0"), QStringLiteral("tabledefonly=0"),
            QStringLiteral("skipindex=0"), QStringLiteral("nameuppercase=1"), QStringLiteral("alltables=0"),
            QStringLiteral("tables0=EMP")};
        const QString path = dir.filePath(QStringLiteral("walk.qvjob"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(lines.join(QStringLiteral("\r\n")).toUtf8() + "\r\n");
        return path;
    }

    // What the one-shot timer does at its tick.
    void tick() { form->guarded([this] { form->btnextClick(); }); }

    SchemaFile schema{QStringLiteral("create table DEPT (DEPTNO NUMBER(2)); create table EMP (EMPNO NUMBER(4));"
                                     "insert into EMP values (7369), (7499);")};
    TestDatabase db;
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<Taaform1> form;
};

}  // namespace

TEST_F(BatchWalk, FailedPageStopsTheWalkAndNextResumesIt)
{
    UnattendedRun run(*form, writeJob(QStringLiteral("wrong")));
    ASSERT_FALSE(run.startFailed());
    EXPECT_TRUE(form->logLines().first().startsWith(QStringLiteral("Start time:")));
    tick();
    EXPECT_EQ(form->currentStep(), 3);  // the MySQL login was refused
    ASSERT_EQ(dialogs.texts(QStringLiteral("error")).size(), 1);
    // The log file follows the progress log from the start.
    QFile partial(run.logPath());
    ASSERT_TRUE(partial.open(QIODevice::ReadOnly));
    EXPECT_TRUE(partial.readAll().startsWith("Start time:"));
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(run.exitStatus(), 2);

    control<QLineEdit>(*form, "edtpassword")->setText(QStringLiteral("qvtest"));
    form->guarded([this] { form->btnextClick(); });  // the user's Next
    EXPECT_TRUE(run.completed());
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(run.exitStatus(), 0);
    QFile log(run.logPath());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(log.readAll()).split(QStringLiteral("\r\n"));
    // Only the job's table, and the log file ends with the end time.
    EXPECT_EQ(lines.mid(1, 4), (QStringList{"Create table EMP...Done", "", "Insert table EMP 2 Rows ...Done", ""}));
    EXPECT_TRUE(lines.at(lines.size() - 2).startsWith(QStringLiteral("The end time:")));
    EXPECT_EQ(form->logLines().last(), QStringLiteral("Click 'Finish' to exit the wizard."));  // only in the window
}

TEST(BatchWalkNames, LogFileAndTimeStamp)
{
    EXPECT_EQ(UnattendedRun::logPathFor(QStringLiteral("/jobs/nightly.qvjob")), QStringLiteral("/jobs/nightly.log"));
    EXPECT_EQ(UnattendedRun::logPathFor(QStringLiteral("/jobs.d/nightly")), QStringLiteral("/jobs.d/nightly.log"));
    EXPECT_EQ(UnattendedRun::logPathFor(QStringLiteral("/jobs/a.b.qvjob")), QStringLiteral("/jobs/a.b.log"));
    const QDateTime midnight(QDate(2026, 12, 9), QTime(0, 0));
    EXPECT_EQ(UnattendedRun::timeStamp(midnight), QLocale::system().toString(midnight.date(), QLocale::ShortFormat));
    // Compared to the second: a fraction past midnight is midnight.
    EXPECT_EQ(UnattendedRun::timeStamp(QDateTime(QDate(2026, 12, 9), QTime(0, 0, 0, 999))),
              UnattendedRun::timeStamp(midnight));
    const QDateTime later(QDate(2026, 12, 9), QTime(0, 0, 1));
    EXPECT_GT(UnattendedRun::timeStamp(later).size(), UnattendedRun::timeStamp(midnight).size());
}
