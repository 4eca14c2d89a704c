#include "data/Errors.h"
#include "support/ConversionFixture.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace {

// Source table T with `count` rows numbered 1.. in ID, in that order.
QString numberedRows(int count, const QString& changes = {})
{
    return QStringLiteral("create table T (ID NUMBER(10), NAME VARCHAR2(20));"
                          "insert into T with recursive c(x) as (select 1 where %1 > 0 union all select x + 1 from c where x < %1)"
                          " select x, 'row ' || x from c;")
               .arg(count)
           + changes;
}

class RowTransfer : public ConversionFixture {
protected:
    void prepare(int count, const QString& changes = {})
    {
        connect(numberedRows(count, changes));
        db.exec(QStringLiteral("create table %1.T (ID int primary key, NAME varchar(20)) engine=InnoDB").arg(db.name()));
    }

    // transferRows as the run calls it, after the run's own line.
    RowStepResult copy()
    {
        host.appendLine(QStringLiteral("Insert table T... "));
        return steps.transferRows(QStringLiteral("T"), QStringLiteral("T"));
    }

    int targetRows() { return db.scalar(QStringLiteral("select count(*) from %1.T").arg(db.name())).toInt(); }

    // A counter of the target session, which made the transactions.
    qint64 sessionStatus(const QString& name)
    {
        SqlQuery status(&mysqlconnect);
        status.openQuery(QStringLiteral("show session status like '%1'").arg(name));
        return status.fieldValue(1).toInteger();
    }

    static QStringList countLines(int from, int to)
    {
        QStringList lines;
        for (int n = from; n <= to; n += 100)
            lines << QStringLiteral("Insert table T %1 Rows ").arg(n);
        return lines;
    }
};

}  // namespace

TEST_F(RowTransfer, EmptyTableAppliesNothingAndCountsZero)
{
    prepare(0);
    ASSERT_TRUE(copy().ok);
    EXPECT_EQ(host.lines, QStringList{"Insert table T 0 Rows "});
    EXPECT_EQ(host.yields, 0);
    EXPECT_EQ(sessionStatus(QStringLiteral("Com_commit")), 0);
    EXPECT_EQ(host.clipboard, QStringLiteral("select * from `T` where 1=0"));
}

TEST_F(RowTransfer, NinetyNineRowsGoInTheFinalApply)
{
    prepare(99);
    ASSERT_TRUE(copy().ok);
    EXPECT_EQ(host.lines, QStringList{"Insert table T 99 Rows "});
    EXPECT_EQ(host.replacements, QStringList{"Insert table T 99 Rows "});
    EXPECT_EQ(targetRows(), 99);
    EXPECT_EQ(sessionStatus(QStringLiteral("Com_commit")), 1);
    EXPECT_EQ(db.scalar(QStringLiteral("select NAME from %1.T where ID = 99").arg(db.name())),
              QStringLiteral("row 99"));
}

TEST_F(RowTransfer, HundredRowsAreAppliedAtTheCheckpoint)
{
    prepare(100);
    ASSERT_TRUE(copy().ok);
    EXPECT_EQ(host.replacements, (QStringList{"Insert table T 100 Rows ", "Insert table T 100 Rows "}));
    EXPECT_EQ(host.yields, 1);
    EXPECT_EQ(targetRows(), 100);
    EXPECT_EQ(sessionStatus(QStringLiteral("Com_commit")), 1);  // the final apply finds nothing to send
}

TEST_F(RowTransfer, TenThousandRowsApplyAfter100And5100AndAtTheEnd)
{
    prepare(10000);
    int largestBuffer = 0;
    host.onProcessEvents = [&](RecordingHost&) {
        largestBuffer = std::max(largestBuffer, mysqldata.pendingChanges());
    };
    ASSERT_TRUE(copy().ok);
    EXPECT_EQ(host.replacements, countLines(100, 10000) << QStringLiteral("Insert table T 10000 Rows "));
    EXPECT_EQ(host.lines, QStringList{"Insert table T 10000 Rows "});
    EXPECT_EQ(targetRows(), 10000);
    EXPECT_EQ(sessionStatus(QStringLiteral("Com_commit")), 3);
    EXPECT_LE(largestBuffer, 5000);
    EXPECT_EQ(db.scalar(QStringLiteral("select sum(ID) from %1.T").arg(db.name())), QStringLiteral("50005000"));
}

TEST_F(RowTransfer, RefusedRowInTheFinalApplyRollsItBackAndIsReportedOnce)
{
    // Row 3 repeats the key of row 1.
    prepare(50, QStringLiteral("update T set ID = 1 where rowid = 3;"));
    const RowStepResult result = copy();
    EXPECT_TRUE(result.ok);
    EXPECT_TRUE(result.rowRefused);
    EXPECT_EQ(result.refusedRowMessage, QStringLiteral("Duplicate entry '1' for key 'PRIMARY'"));
    EXPECT_EQ(result.rowsRead, 50);  // the refusal comes with the final apply
    EXPECT_EQ(result.rowsKept, 0);
    EXPECT_EQ(host.lines, (QStringList{"Insert table T 50 Rows ", "Duplicate entry '1' for key 'PRIMARY'"}));
    EXPECT_EQ(targetRows(), 0);
}

TEST_F(RowTransfer, RefusedRowAfterACheckpointKeepsTheRowsAppliedBefore)
{
    prepare(1000, QStringLiteral("update T set ID = 1 where rowid = 150;"));
    EXPECT_TRUE(copy().ok);
    EXPECT_EQ(host.lines, (QStringList{"Insert table T 1000 Rows ", "Duplicate entry '1' for key 'PRIMARY'"}));
    EXPECT_EQ(targetRows(), 100);
    EXPECT_EQ(db.scalar(QStringLiteral("select max(ID) from %1.T").arg(db.name())), QStringLiteral("100"));
}

TEST_F(RowTransfer, RefusedRowAtTheFirstCheckpointStopsReadingTheSource)
{
    // Row 200 cannot be read at all: reaching it would fail the copy with
    // another message, so the outcome proves rows after 100 are not read.
    prepare(6000, QStringLiteral("update T set ID = 1 where rowid = 3;"
                                 "update T set ID = 'not a number' where rowid = 200;"));
    EXPECT_TRUE(copy().ok);
    EXPECT_EQ(host.lines, (QStringList{"Insert table T 100 Rows ", "Duplicate entry '1' for key 'PRIMARY'"}));
    EXPECT_EQ(host.replacements, (QStringList{"Insert table T 100 Rows ", "Insert table T 100 Rows "}));
    EXPECT_EQ(targetRows(), 0);
}

TEST_F(RowTransfer, UnreadableRowFailsTheCopyAfterItsLastCheckpoint)
{
    prepare(300, QStringLiteral("update T set ID = 'x1' where rowid = 250;"));
    const StepResult result = copy();
    EXPECT_FALSE(result.ok);
    ASSERT_EQ(host.lines.size(), 2);
    EXPECT_EQ(host.lines.at(0), QStringLiteral("Insert table T 200 Rows "));
    EXPECT_EQ(host.lines.at(1), result.message);
    EXPECT_TRUE(result.message.contains(QStringLiteral("row 250"))) << result.message.toStdString();
    EXPECT_EQ(targetRows(), 100);  // rows 101-249 were buffered, never written
    EXPECT_TRUE(mysqldata.active());  // left as the failure found it; the next probe closes it
    EXPECT_FALSE(steps.TableExists(QStringLiteral("NOSUCH")));
}

TEST_F(RowTransfer, FailureBeforeTheFirstCheckpointLeavesTheCallersLine)
{
    connect(QStringLiteral("create table T (ID NUMBER(10));"));
    const StepResult result = copy();  // no target table
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, QStringLiteral("Table '%1.T' doesn't exist").arg(db.name()));
    EXPECT_EQ(host.lines, (QStringList{"Insert table T... ", result.message}));
    EXPECT_EQ(host.clipboard, QStringLiteral("select * from `T` where 1=0"));
}

TEST_F(RowTransfer, ColumnsMatchByNameWithoutRegardToCase)
{
    connect(QStringLiteral("create table T (ID NUMBER(10), ONLY_IN_SOURCE VARCHAR2(5), NAME VARCHAR2(20));"
                           "insert into T values (1, 'x', 'one'), (2, 'y', NULL);"));
    db.exec(QStringLiteral("create table %1.T (name varchar(20), id int, only_in_target varchar(9) default 'dflt')")
                .arg(db.name()));
    ASSERT_TRUE(copy().ok);
    EXPECT_EQ(db.column(QStringLiteral("select concat_ws('|', id, ifnull(name, 'NULL'), only_in_target) from %1.T "
                                       "order by id")
                            .arg(db.name())),
              (QStringList{"1|one|dflt", "2|NULL|dflt"}));
}

TEST_F(RowTransfer, RequiredTargetColumnWithoutSourceValueFailsTheCopy)
{
    connect(QStringLiteral("create table T (ID NUMBER(10)); insert into T values (1);"));
    db.exec(QStringLiteral("create table %1.T (ID int, MUST varchar(5) not null)").arg(db.name()));
    const StepResult result = copy();
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, QStringLiteral("Field 'MUST' must have a value"));
    EXPECT_EQ(targetRows(), 0);
}

TEST_F(RowTransfer, ValuesThatWouldLoseContentFailTheCopy)
{
    // NUMBER without precision becomes bigint: a fraction cannot arrive.
    connect(QStringLiteral("create table T (ID NUMBER, N NUMBER);"
                           "insert into T values (1, 2), (2, 3.14);"
                           "create table WORDS (ID NUMBER(5), AMOUNT VARCHAR2(10), WHEN_ VARCHAR2(20));"
                           "insert into WORDS values (1, '12', '2024-01-02 03:04:05'), (2, 'abc', '2024-01-02');"
                           "create table DATES (ID NUMBER(5), WHEN_ VARCHAR2(20));"
                           "insert into DATES values (1, 'not a date');"));
    db.exec(QStringLiteral("create table %1.T (ID bigint, N bigint)").arg(db.name()));
    db.exec(QStringLiteral("create table %1.WORDS (ID int, AMOUNT int, WHEN_ datetime)").arg(db.name()));
    db.exec(QStringLiteral("create table %1.DATES (ID int, WHEN_ datetime)").arg(db.name()));

    StepResult result = copy();
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message,
              QStringLiteral("Value '3.14' of column N in row 2 cannot be stored in the target column without loss"));
    EXPECT_EQ(targetRows(), 0);

    result = steps.transferRows(QStringLiteral("WORDS"), QStringLiteral("WORDS"));
    EXPECT_EQ(result.message,
              QStringLiteral("Value 'abc' of column AMOUNT in row 2 cannot be stored in the target column without loss"));

    result = steps.transferRows(QStringLiteral("DATES"), QStringLiteral("DATES"));
    EXPECT_EQ(result.message,
              QStringLiteral("Value 'not a date' of column WHEN_ in row 1 cannot be stored in the target column without loss"));
}

TEST_F(RowTransfer, RunAppendsDoneToTheRefusalAndCountsTheTable)
{
    prepare(50, QStringLiteral("update T set ID = 1 where rowid = 3;"));
    ConversionSettings settings = definitionsOnlySettings(ExistingTablePolicy::Merge);
    settings.tableDefinitionsOnly = false;
    const RunOutcome outcome = run({QStringLiteral("T")}, settings);
    EXPECT_EQ(host.lines, (QStringList{"Insert table T 50 Rows ", "Duplicate entry '1' for key 'PRIMARY'...Done",
                                       "Rows kept in T: 0", "",
                                       "Conversion is Completed",
                                       "Conversion finished with errors: 1 of 1 tables had failures. See the "
                                       "messages above.",
                                       "Click 'Finish' to exit the wizard."}));
    EXPECT_EQ(outcome.tablesWithFailures, 1);
}

TEST_F(RowTransfer, StopDuringTheCopyEndsItAtTheNextCheckpointAndTheRunAtTheNextTable)
{
    prepare(3000);
    db.exec(QStringLiteral("create table %1.U (ID int)").arg(db.name()));
    ConversionSettings settings = definitionsOnlySettings(ExistingTablePolicy::Merge);
    settings.tableDefinitionsOnly = false;
    // Yield 1 is before the copy; yields 2 and 3 are the checkpoints after rows 100 and 200.
    host.onProcessEvents = [](RecordingHost& h) { h.stop = h.yields == 3; };
    EXPECT_THROW(run({QStringLiteral("T"), QStringLiteral("U")}, settings), SilentAbort);
    EXPECT_EQ(host.lines, (QStringList{"Insert table T 200 Rows ", "Operation aborted", "Operation aborted", "Rows kept in T: 100", ""}));
    EXPECT_EQ(targetRows(), 100);
    EXPECT_FALSE(host.stop);
}

TEST_F(RowTransfer, StopDuringTheLastTableStillWritesTheCompletionLines)
{
    prepare(300);
    ConversionSettings settings = definitionsOnlySettings(ExistingTablePolicy::Merge);
    settings.tableDefinitionsOnly = false;
    host.onProcessEvents = [](RecordingHost& h) { h.stop = h.yields == 2; };
    run({QStringLiteral("T")}, settings);
    EXPECT_EQ(host.lines.mid(0, 5), (QStringList{"Insert table T 100 Rows ", "Operation aborted", "Operation aborted",
                                                 "Rows kept in T: 100", ""}));
    EXPECT_EQ(host.lines.at(5), QStringLiteral("Conversion is Completed"));
    EXPECT_TRUE(host.stop);  // Next reads it and does not advance
    EXPECT_EQ(targetRows(), 100);
}

// The first apply holds rows 1 to 100 and goes as one array, or as one
// statement of many rows. Whichever of its rows the server refuses, the
// outcome is that of rows sent one by one: the same log, the message of a
// single INSERT ("at row 1"), nothing kept.
TEST_F(RowTransfer, ARefusedRowInAnArrayEndsTheCopyAsSingleRowsWould)
{
    for (const int refusedRow : {1, 50, 100}) {
        QStringList single;
        for (const char* path : {"0", "1", "rows"}) {
            SCOPED_TRACE(QStringLiteral("row %1, path %2").arg(refusedRow).arg(QLatin1String(path)).toStdString());
            qputenv("QUORVANE_BULK_APPLY", path);
            host.lines.clear();
            prepare(150, QStringLiteral("update T set NAME = 'a name too long for the column' where ID = %1;")
                             .arg(refusedRow));
            const qint64 executed = sessionStatus(QStringLiteral("Com_stmt_execute"));
            const RowStepResult result = copy();
            EXPECT_TRUE(result.ok);
            EXPECT_TRUE(result.rowRefused);
            EXPECT_EQ(result.rowsKept, 0);
            EXPECT_EQ(targetRows(), 0);
            // Many rows at once: one failed array, or statements of 64, 32
            // and 4 rows up to the failed one; then single rows up to the refused one.
            const int tried = path[0] == '0' ? 0 : path[0] == '1' ? 1 : refusedRow <= 64 ? 1 : refusedRow <= 96 ? 2 : 3;
            EXPECT_EQ(sessionStatus(QStringLiteral("Com_stmt_execute")) - executed, refusedRow + tried);
            if (path[0] == '0')
                single = host.lines;
            EXPECT_EQ(host.lines, single);
            db.exec(QStringLiteral("drop table %1.T").arg(db.name()));
        }
        EXPECT_EQ(single, (QStringList{"Insert table T 100 Rows ", "Data too long for column 'NAME' at row 1"}));
    }
    qunsetenv("QUORVANE_BULK_APPLY");
}
