// Faults: a run that cannot finish says so, leaves a true log, never hangs
// and never talks to the wrong server.

#include "data/DbConnection.h"
#include "data/SqlQuery.h"
#include "support/Failure.h"
#include "support/JobProcess.h"
#include "support/SchemaFile.h"
#include "support/TestDatabase.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <arpa/inet.h>
#include <csignal>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace qv;
using namespace qv::test;

namespace {

QStringList mysqlParams(const QString& port)
{
    return {QStringLiteral("Database="), QStringLiteral("User_Name=qvtest"), QStringLiteral("Password=qvtest"),
            QStringLiteral("Port=") + port, QStringLiteral("HostName=127.0.0.1")};
}

// Rows enough that a copy is still under way when the test acts on it.
const char* const bigSchema =
    "create table BIG (ID NUMBER(10) primary key, T VARCHAR2(20));"
    "with recursive k(n) as (select 1 union all select n + 1 from k where n < 200000)"
    " insert into BIG select n, 'row ' || n from k;";

class FaultRun : public ::testing::Test {
protected:
    QString logPath() const { return job.path(QStringLiteral("big.log")); }
    QString start(const QStringList& environment = {}, const QStringList& changes = {})
    {
        const QString jobPath = job.writeJob(QStringLiteral("big.qvjob"), db, schema.service(), changes);
        job.start(jobPath, QStringList{QStringLiteral("QUORVANE_LANGUAGE=en")} + environment);
        EXPECT_TRUE(job.waitForLogLine(logPath(), QStringLiteral("Insert table BIG")))
            << job.logLines(logPath()).join(QLatin1Char('\n')).toStdString();
        return jobPath;
    }
    // The number in the "Rows kept in BIG: N" line; -1 when there is none.
    qint64 keptLine() const
    {
        for (const QString& line : job.logLines(logPath()))
            if (line.startsWith(QStringLiteral("Rows kept in BIG: ")))
                return line.mid(18).toLongLong();
        return -1;
    }
    qint64 rowsInTarget() { return db.scalar(QStringLiteral("select count(*) from BIG")).toLongLong(); }
    QString log() const { return job.logLines(logPath()).join(QLatin1Char('\n')); }

    SchemaFile schema{QString::fromLatin1(bigSchema)};
    TestDatabase db;
    JobProcess job;
};

}  // namespace

TEST(Faults, PortsThatAreNoPortsAreRefusedByName)
{
    const Sandbox sandbox = Sandbox::fromEnvironment();
    DbConnection connection;
    connection.describeAsMySql();
    for (const char* port : {"abc", "99999", "-1", "65536", "3306x", "0", ""}) {
        connection.Params = mysqlParams(QLatin1String(port));
        EXPECT_EQ(failureOf([&] { connection.open(); }),
                  QStringLiteral("The port '%1' is not a whole number from 1 to 65535").arg(QLatin1String(port)));
    }
    connection.Params = mysqlParams(QStringLiteral(" %1 ").arg(sandbox.port));  // blanks around it are fine
    connection.open();
    EXPECT_TRUE(connection.connected());
}

TEST(Faults, AServerThatNeverGreetsIsGivenUpOnInTime)
{
    // Listening, so the connection is accepted; nothing ever answers on it.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);

    qputenv("QUORVANE_MYSQL_CONNECT_TIMEOUT", "1");
    DbConnection connection;
    connection.describeAsMySql();
    connection.Params = mysqlParams(QString::number(ntohs(address.sin_port)));
    const QString message = failureOf([&] { connection.open(); });
    qunsetenv("QUORVANE_MYSQL_CONNECT_TIMEOUT");
    ::close(listener);
    EXPECT_TRUE(message.startsWith(QStringLiteral("The MySQL server did not answer within 1 seconds")))
        << message.toStdString();
}

TEST_F(FaultRun, TermSignalStopsTheRunAndLeavesAWholeLog)
{
    start();
    ::kill(pid_t(job.process.processId()), SIGTERM);
    const JobProcess::Outcome outcome = job.finish();
    EXPECT_EQ(outcome.status, 2) << outcome.errors.toStdString();
    EXPECT_TRUE(log().contains(QStringLiteral("\nOperation aborted\nOperation aborted\nRows kept in BIG: ")))
        << log().toStdString();
    EXPECT_TRUE(job.logLines(logPath()).last().startsWith(QStringLiteral("The end time:")));
    EXPECT_EQ(keptLine(), rowsInTarget());
}

TEST_F(FaultRun, LostConnectionTellsHowManyRowsStayed)
{
    start();
    db.exec(QStringLiteral("kill ")
            + db.scalar(QStringLiteral("select id from information_schema.processlist where db = database() and "
                                       "id <> connection_id() order by id limit 1")));
    const JobProcess::Outcome outcome = job.finish();
    EXPECT_EQ(outcome.status, 1) << outcome.errors.toStdString() << log().toStdString();
    EXPECT_GE(keptLine(), 0) << log().toStdString();
    EXPECT_EQ(keptLine(), rowsInTarget());
}

TEST_F(FaultRun, AFrozenServerEndsTheStepWhenItsTimeIsUp)
{
    // A server of its own: the shared one must keep answering the other tests.
    QTemporaryDir own;
    const QString script = QStringLiteral(QUORVANE_SOURCE_DIR "/scripts/mysql-sandbox");
    ASSERT_EQ(QProcess::execute(script, {QStringLiteral("start"), own.path()}), 0);
    struct Cleanup {
        QString script, folder;
        pid_t server = 0;
        ~Cleanup()
        {
            if (server > 0)
                ::kill(server, SIGCONT);
            QProcess::execute(script, {QStringLiteral("stop"), folder});
        }
    } cleanup{script, own.path()};
    const auto fileText = [&](const char* name) {
        QFile file(own.filePath(QLatin1String(name)));
        return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).trimmed() : QString();
    };
    const QString port = fileText("port");
    cleanup.server = pid_t(fileText("mysqld.pid").toInt());
    DbConnection admin;
    admin.describeAsMySql();
    admin.Params = mysqlParams(port);
    admin.open();
    SqlQuery(&admin).executeDirect(QStringLiteral("create database frozen"));

    start({QStringLiteral("QUORVANE_MYSQL_TIMEOUT=2")},
          {QStringLiteral("port=") + port, QStringLiteral("mysqldatabase=frozen")});
    ::kill(cleanup.server, SIGSTOP);
    const JobProcess::Outcome outcome = job.finish();
    EXPECT_EQ(outcome.status, 1) << outcome.errors.toStdString();
    EXPECT_TRUE(log().contains(QStringLiteral("The MySQL server did not answer within 2 seconds"))) << log().toStdString();
    EXPECT_TRUE(log().contains(QStringLiteral("Rows kept in BIG: "))) << log().toStdString();
}

TEST(FaultJobs, TheLogIsTrueOwnedAndNeverFollowsALink)
{
    SchemaFile schema(QStringLiteral("create table T (A NUMBER(3)); insert into T values (1);"));
    TestDatabase db;
    JobProcess job;

    // A start-up message of a headless run reaches the log file too.
    JobProcess::Outcome outcome =
        job.run(job.writeJob(QStringLiteral("bad.qvjob"), db, schema.service(), {QStringLiteral("accessmode=abc")}));
    EXPECT_EQ(outcome.status, 2);
    const QStringList bad = JobProcess::logLines(job.path(QStringLiteral("bad.log")));
    ASSERT_EQ(bad.size(), 2) << bad.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(outcome.errors.contains(bad.last())) << outcome.errors.toStdString();

    // A link planted at the log path is replaced, its target left alone; a
    // display that cannot be opened makes the run headless.
    QFile victim(job.path(QStringLiteral("victim")));
    ASSERT_TRUE(victim.open(QIODevice::WriteOnly));
    victim.write("keep me");
    victim.close();
    ASSERT_TRUE(QFile::link(victim.fileName(), job.path(QStringLiteral("linked.log"))));
    outcome = job.run(job.writeJob(QStringLiteral("linked.qvjob"), db, schema.service()),
                      {QStringLiteral("DISPLAY=:97")});
    EXPECT_EQ(outcome.status, 0) << outcome.errors.toStdString();
    ASSERT_TRUE(victim.open(QIODevice::ReadOnly));
    EXPECT_EQ(victim.readAll(), "keep me");
    const QFileInfo log(job.path(QStringLiteral("linked.log")));
    EXPECT_FALSE(log.isSymLink());
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(log.filePath()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // One run at a time per target database.
    db.exec(QStringLiteral("do get_lock(concat('quorvane:', sha1(database())), 0)"));
    outcome = job.run(job.writeJob(QStringLiteral("locked.qvjob"), db, schema.service()));
    EXPECT_EQ(outcome.status, 2);
    const QString refusal =
        QStringLiteral("Another Quorvane run is converting into the database %1 now").arg(db.name());
    EXPECT_TRUE(outcome.errors.contains(refusal)) << outcome.errors.toStdString();
    EXPECT_TRUE(JobProcess::logLines(job.path(QStringLiteral("locked.log"))).last().startsWith(refusal));
}
