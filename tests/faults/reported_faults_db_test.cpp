// Faults found by trying the program as a new user would: data that was lost
// or told wrongly, and runs that ended or went on for no reason.

#include "batch/UnattendedRun.h"
#include "engine/RunLock.h"
#include "support/ConversionFixture.h"
#include "support/Failure.h"
#include "support/JobProcess.h"
#include "support/ScriptedDialogs.h"
#include "wizard/Taaform1.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace {

class DataFaults : public ConversionFixture {
protected:
    RunOutcome runAll(const QStringList& tables, ExistingTablePolicy policy)
    {
        host.lines.clear();
        ConversionSettings settings;
        settings.existingTablePolicy = int(policy);
        return run(tables, settings);
    }
    QString log() const { return host.lines.join(QLatin1Char('\n')); }
};

}  // namespace

TEST_F(DataFaults, ALeftoverAsideTableLeavesTheUsersTableUntouched)
{
    connect(QStringLiteral("create table T_RAW (A NUMBER(3)); create index T_RAW_A on T_RAW (A);"
                           "insert into T_RAW values (2); create table NEXT (A NUMBER(3)); insert into NEXT values (3);"));
    db.exec(QStringLiteral("create table T_RAW (A int)"));
    db.exec(QStringLiteral("insert into T_RAW values (1)"));
    db.exec(QStringLiteral("create table `T_RAW~qv_old` (B int)"));

    const RunOutcome outcome = runAll({QStringLiteral("T_RAW"), QStringLiteral("NEXT")}, ExistingTablePolicy::Overwrite);
    EXPECT_EQ(host.lines.mid(0, 4),
              (QStringList{"Drop table T_RAW... ",
                           "Table T_RAW is kept as it was: the table T_RAW~qv_old, left by an earlier run, is in the "
                           "way; drop or rename it, then convert T_RAW again",
                           "", "Create table NEXT...Done"}));
    EXPECT_EQ(outcome.tablesWithFailures, 1);
    EXPECT_EQ(db.column(QStringLiteral("select A from T_RAW")), QStringList{"1"});
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from information_schema.statistics where table_schema = "
                                       "database() and table_name = 'T_RAW'")),
              QStringLiteral("0"));
    EXPECT_EQ(db.scalar(QStringLiteral("select A from NEXT")), QStringLiteral("3"));
}

TEST_F(DataFaults, RowsKeptInATableWithoutTransactionsAreCounted)
{
    connect(QStringLiteral("create table PARTS (ID NUMBER(6), NAME VARCHAR2(20));"
                           "with recursive k(n) as (select 1 union all select n + 1 from k where n < 12000)"
                           " insert into PARTS select n, 'part ' || n from k;"));
    for (const int collision : {1, 6000, 12000}) {
        SCOPED_TRACE(collision);
        db.exec(QStringLiteral("drop table if exists PARTS"));
        db.exec(QStringLiteral("create table PARTS (ID int primary key, NAME varchar(20)) engine=MyISAM"));
        db.exec(QStringLiteral("insert into PARTS values (%1, 'there before')").arg(collision));
        runAll({QStringLiteral("PARTS")}, ExistingTablePolicy::Merge);
        const qint64 stayed = db.scalar(QStringLiteral("select count(*) from PARTS")).toLongLong() - 1;
        EXPECT_EQ(stayed, collision - 1);
        EXPECT_TRUE(host.lines.contains(QStringLiteral("Rows kept in PARTS: %1").arg(stayed))) << log().toStdString();
    }
}

TEST_F(DataFaults, ExistingDateAndFloatingPointColumnsTakeOnlyWhatTheyGiveBack)
{
    // One existing column each, and the one source value merged into it.
    const struct {
        const char* oracleType;
        const char* value;
        const char* mysqlType;
        const char* stored;  // nullptr: refused
    } cases[] = {
        {"DATE", "'2024-05-06 13:45:00'", "date", nullptr},
        {"DATE", "'2024-05-06 00:00:00'", "date", "2024-05-06"},
        {"NUMBER", "cast('123456789012345678' as blob)", "double", nullptr},
        {"NUMBER", "cast('1.2345678901234567890123456789012345678' as blob)", "double", nullptr},
        {"NUMBER", "cast('0.1' as blob)", "double", "0.1"},
        {"NUMBER", "cast('-2.5E-300' as blob)", "double", "-2.5e-300"},
        {"NUMBER", "cast('16777217' as blob)", "float", nullptr},
        {"NUMBER", "cast('0.1' as blob)", "float", "0.1"},
        {"BINARY_DOUBLE", "0.1", "float", nullptr},
        {"BINARY_DOUBLE", "0.5", "float", "0.5"},
    };
    QString sql;
    for (int i = 0; i < int(std::size(cases)); ++i)
        sql += QStringLiteral("create table C%1 (V %2); insert into C%1 values (%3);")
                   .arg(i)
                   .arg(QLatin1String(cases[i].oracleType), QLatin1String(cases[i].value));
    connect(sql);
    for (int i = 0; i < int(std::size(cases)); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(std::string(c.value) + " into " + c.mysqlType);
        const QString table = QStringLiteral("C%1").arg(i);
        db.exec(QStringLiteral("create table %1 (V %2)").arg(table, QLatin1String(c.mysqlType)));
        const RunOutcome outcome = runAll({table}, ExistingTablePolicy::Merge);
        if (c.stored) {
            EXPECT_TRUE(outcome.succeeded()) << log().toStdString();
            EXPECT_EQ(db.scalar(QStringLiteral("select cast(V as char) from ") + table), QLatin1String(c.stored));
        } else {
            EXPECT_TRUE(log().contains(QStringLiteral("of column V in row 1 cannot be stored in the target column without loss")))
                << log().toStdString();
            EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from ") + table), QStringLiteral("0"));
        }
    }
}

TEST(RunFaults, AJobNamedLikeItsLogIsRefusedAndKept)
{
    SchemaFile schema(QStringLiteral("create table T (A NUMBER(3));"));
    TestDatabase db;
    JobProcess job;
    const QString jobPath = job.writeJob(QStringLiteral("x.log"), db, schema.service());
    QFile file(jobPath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    const JobProcess::Outcome outcome = job.run(jobPath);
    EXPECT_EQ(outcome.status, 2);
    EXPECT_TRUE(outcome.errors.contains(QStringLiteral("would be written over the job file itself")))
        << outcome.errors.toStdString();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
}

TEST(RunFaults, ANameTheCharacterSetCannotCarryFailsItsTableAlone)
{
    SchemaFile schema(QStringLiteral("create table 表 (A NUMBER(3)); insert into 表 values (1);"
                                     "create table OK1 (A NUMBER(3)); insert into OK1 values (2);"));
    TestDatabase db;
    JobProcess job;
    const JobProcess::Outcome outcome =
        job.run(job.writeJob(QStringLiteral("latin1.qvjob"), db, schema.service(),
                             {QStringLiteral("character_set=latin1"), QStringLiteral("alltables=0"),
                              QStringLiteral("tables1=表"), QStringLiteral("tables2=OK1")}));
    const QString log = JobProcess::logLines(job.path(QStringLiteral("latin1.log"))).join(QLatin1Char('\n'));
    EXPECT_EQ(outcome.status, 1) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("Create table 表... \nThe name 表 cannot be written in the connection "
                                            "character set latin1\n")))
        << log.toStdString();
    EXPECT_EQ(db.scalar(QStringLiteral("select A from OK1")), QStringLiteral("2"));
}

TEST(RunFaults, ANullFromGetLockTellsTheServersAccount)
{
    TestDatabase db;
    DbConnection connection;
    db.connect(connection);
    SqlQuery query(&connection);
    // The server answers NULL for an empty lock name.
    const QString message = failureOf([&] { RunLock::take(query, QStringLiteral("''")); });
    EXPECT_TRUE(message.startsWith(QStringLiteral("The server could not lock the database %1 for this run: ")
                                       .arg(db.name())))
        << message.toStdString();
    RunLock::take(query);  // the database's own lock is still free
}

TEST(RunFaults, ASignalWhileTheStopQuestionIsOpenStopsTheRun)
{
    resetStoredSettings();
    qputenv("QUORVANE_LANGUAGE", "en");
    SchemaFile schema(QStringLiteral(
        "create table BIG (ID NUMBER(6)); create table EMP (ID NUMBER(4)); insert into EMP values (1);"
        "with recursive k(n) as (select 1 union all select n + 1 from k where n < 3000) insert into BIG select n from k;"));
    TestDatabase db;
    JobProcess job;
    const QString jobPath = job.writeJob(QStringLiteral("stop.qvjob"), db, schema.service(),
                                         {QStringLiteral("alltables=0"), QStringLiteral("tables1=BIG"),
                                          QStringLiteral("tables2=EMP")});
    ScriptedDialogs dialogs;
    auto form = std::make_unique<Taaform1>(dialogs);
    form->show();
    UnattendedRun run(*form, jobPath);

    // Stop is pressed once BIG's rows are being copied; the signal comes
    // while the question is open, and the question is answered No.
    dialogs.answers = {false};
    dialogs.whileAsking = [&run] { run.stopBySignal(); };
    QTimer press;
    QObject::connect(&press, &QTimer::timeout, form.get(), [&] {
        if (form->runInProgress() && form->lastLine().startsWith(QStringLiteral("Insert table BIG"))) {
            press.stop();
            form->findChild<QPushButton*>(QStringLiteral("btcancel"))->click();
        }
    });
    press.start(0);
    QApplication::exec();  // ends when the run has ended

    EXPECT_EQ(dialogs.texts(QStringLiteral("confirm")), QStringList{"Stop"});
    EXPECT_TRUE(form->logLines().contains(QStringLiteral("Operation aborted")))
        << form->logLines().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(run.exitStatus(), 2);
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from information_schema.tables where table_schema = database() "
                                       "and table_name = 'EMP'")),
              QStringLiteral("0"));
}
