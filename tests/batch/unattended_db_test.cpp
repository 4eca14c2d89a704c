#include "support/JobProcess.h"
#include "support/OciStandIn.h"
#include "support/QtPrinters.h"
#include "support/SchemaFile.h"
#include "support/TestDatabase.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace qv::test;

namespace {

class UnattendedRun : public ::testing::Test {
protected:
    using Outcome = JobProcess::Outcome;

    Outcome runJob(const QString& jobPath) { return job.run(jobPath); }
    QString writeJob(const QString& name, const QStringList& changes = {})
    {
        return job.writeJob(name, db, schema.service(), changes);
    }
    static QStringList logLines(const QString& path) { return JobProcess::logLines(path); }
    QString storedValue(const QString& name) { return job.storedValue(name); }

    SchemaFile schema{QStringLiteral(
        "create table DEPT (DEPTNO NUMBER(2) primary key, DNAME VARCHAR2(14));"
        "insert into DEPT values (10, 'ACCOUNTING'), (20, 'RESEARCH');"
        "create table EMP (EMPNO NUMBER(4), ENAME VARCHAR2(10)); insert into EMP values (7369, 'SMITH');")};
    TestDatabase db;
    JobProcess job;
    QTemporaryDir& dir = job.dir;
};

}  // namespace

TEST_F(UnattendedRun, CompleteRunLeavesItsLogAndTheJobsSettings)
{
    const QString job = writeJob(QStringLiteral("nightly.qvjob"));
    const Outcome outcome = runJob(job);
    EXPECT_EQ(outcome.status, 0) << outcome.errors.toStdString();
    EXPECT_FALSE(outcome.errors.contains(QStringLiteral("第 "))) << "standard error is a pipe: no progress line";
    const QStringList lines = logLines(dir.filePath(QStringLiteral("nightly.log")));
    ASSERT_EQ(lines.size(), 12) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(lines.first().startsWith(QStringLiteral("Start time:")));
    // The window starts in Chinese; its completion lines are the Chinese ones.
    EXPECT_EQ(lines.mid(1, 8), (QStringList{"Create table DEPT...Done", "", "Insert table DEPT 2 Rows ...Done", "",
                                            "Create table EMP...Done", "", "Insert table EMP 1 Rows ...Done", ""}));
    EXPECT_EQ(lines.at(9), QStringLiteral("已经完成转换"));
    EXPECT_TRUE(lines.last().startsWith(QStringLiteral("The end time:")));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(dir.filePath(QStringLiteral("nightly.log"))).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from %1.DEPT").arg(db.name())), QStringLiteral("2"));
    EXPECT_EQ(storedValue(QStringLiteral("oracleh")), schema.service());
    EXPECT_EQ(storedValue(QStringLiteral("port")), QString::number(db.sandbox().port));
}

TEST_F(UnattendedRun, FailedStepsGiveStatusOne)
{
    // Merged into an existing DEPT that already holds key 10: the row is refused.
    db.exec(QStringLiteral("create table %1.DEPT (DEPTNO int primary key, DNAME varchar(14))").arg(db.name()));
    db.exec(QStringLiteral("insert into %1.DEPT values (10, 'X')").arg(db.name()));
    const QString merge = writeJob(QStringLiteral("merge.qvjob"), {QStringLiteral("processtable=1")});
    const Outcome outcome = runJob(merge);
    EXPECT_EQ(outcome.status, 1) << outcome.errors.toStdString();
    const QStringList lines = logLines(dir.filePath(QStringLiteral("merge.log")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Duplicate entry '10' for key 'PRIMARY'...Done")))
        << lines.join(QLatin1Char('\n')).toStdString();
}

TEST_F(UnattendedRun, MissingJobFileLeavesTwoLinesAndStatusTwo)
{
    const QString job = dir.filePath(QStringLiteral("missing.qvjob"));
    const Outcome outcome = runJob(job);
    EXPECT_EQ(outcome.status, 2);
    const QStringList lines = logLines(dir.filePath(QStringLiteral("missing.log")));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines.first().startsWith(QStringLiteral("Start time:")));
    EXPECT_EQ(lines.last(), QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(job));
    EXPECT_EQ(storedValue(QStringLiteral("oracleh")), QString());  // nothing of the job was applied
}

TEST_F(UnattendedRun, RefusedLoginIsToldOnStandardErrorAndInTheLog)
{
    const QString job = writeJob(QStringLiteral("refused"), {QStringLiteral("mysqlp=wrong")});
    const Outcome outcome = runJob(job);
    EXPECT_EQ(outcome.status, 2);
    EXPECT_TRUE(outcome.errors.contains(QStringLiteral("Access denied for user 'qvtest'@"))) << outcome.errors.toStdString();
    // A job path without an extension gets ".log" appended.
    const QStringList lines = logLines(dir.filePath(QStringLiteral("refused.log")));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines.last().startsWith(QStringLiteral("Access denied for user 'qvtest'@")));
}

TEST_F(UnattendedRun, OracleThroughTheClientLibrary)
{
    OciStandIn::use();
    const QString job = writeJob(QStringLiteral("client.qvjob"), {QStringLiteral("oracleh=") + schema.path()});
    Outcome outcome = runJob(job);
    EXPECT_EQ(outcome.status, 0) << outcome.errors.toStdString();
    EXPECT_EQ(logLines(dir.filePath(QStringLiteral("client.log"))).mid(1, 8),
              (QStringList{"Create table DEPT...Done", "", "Insert table DEPT 2 Rows ...Done", "",
                           "Create table EMP...Done", "", "Insert table EMP 1 Rows ...Done", ""}));
    EXPECT_EQ(db.scalar(QStringLiteral("select sum(DEPTNO) from %1.DEPT").arg(db.name())), QStringLiteral("30"));

    const QString refused = writeJob(QStringLiteral("logon.qvjob"),
                                     {QStringLiteral("oracleh=") + schema.path(), QStringLiteral("oraclep=wrong")});
    outcome = runJob(refused);
    EXPECT_EQ(outcome.status, 2);
    const QString message = QStringLiteral("ORA-01017: invalid username/password; logon denied");
    EXPECT_TRUE(outcome.errors.contains(message)) << outcome.errors.toStdString();
    EXPECT_TRUE(logLines(dir.filePath(QStringLiteral("logon.log"))).last().startsWith(message));
}

TEST_F(UnattendedRun, JobNamingNoExistingTableStillRuns)
{
    const QString job = writeJob(QStringLiteral("none.qvjob"),
                                 {QStringLiteral("alltables=0"), QStringLiteral("tables0=NOSUCH")});
    const Outcome outcome = runJob(job);
    EXPECT_EQ(outcome.status, 0) << outcome.errors.toStdString();
    const QStringList lines = logLines(dir.filePath(QStringLiteral("none.log")));
    ASSERT_EQ(lines.size(), 4) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(lines.at(1), QStringLiteral("已经完成转换"));
    EXPECT_TRUE(lines.at(3).startsWith(QStringLiteral("The end time:")));
}

TEST(UnattendedRunOptions, HelpAndVersion)
{
    QProcess process;
    process.start(QStringLiteral(QUORVANE_BINARY), {QStringLiteral("--version")});
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 0);
    const QStringList version = QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed().split(u'\n');
    EXPECT_EQ(version.value(0), QStringLiteral("Quorvane 4.0"));
    EXPECT_TRUE(version.value(1).contains(QStringLiteral("Instant Client 12.1, 12.2, 18, 19, 21 and 23")));
    process.start(QStringLiteral(QUORVANE_BINARY), {QStringLiteral("--help")});
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_TRUE(QString::fromLocal8Bit(process.readAllStandardOutput()).startsWith(QStringLiteral("Usage: quorvane")));
}
