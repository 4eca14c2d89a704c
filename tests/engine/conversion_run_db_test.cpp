#include "data/Errors.h"
#include "support/ConversionFixture.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace {

// A column name longer than MySQL's 64 characters: the server refuses the table.
const QString refusedColumn = QString(65, QLatin1Char('L'));
const QString refusal = QStringLiteral("Identifier name '%1' is too long").arg(refusedColumn);

}  // namespace

namespace {

const char* const deptEmp =
    "create table DEPT (DEPTNO NUMBER(2), DNAME VARCHAR2(14));"
    "create table EMP (EMPNO NUMBER(4), ENAME VARCHAR2(10));";

const QStringList englishEnd{QStringLiteral("Conversion is Completed"),
                             QStringLiteral("Wizard has migrated your Oracle database to MySQL server successfully."),
                             QStringLiteral("Click 'Finish' to exit the wizard.")};

class Run : public ConversionFixture {
protected:
    void SetUp() override
    {
        connect(QString::fromLatin1(deptEmp));
        // DEPT exists in the target already, with a column the source lacks.
        db.exec(QStringLiteral("create table %1.DEPT (OLDCOL int)").arg(db.name()));
        db.exec(QStringLiteral("insert into %1.DEPT values (7)").arg(db.name()));
    }

    QStringList targetColumns(const QString& table)
    {
        return db.column(QStringLiteral("select column_name from information_schema.columns where table_schema = "
                                        "'%1' and table_name = '%2' order by ordinal_position")
                             .arg(db.name(), table));
    }
};

}  // namespace

TEST_F(Run, OverwriteDropsAndRecreatesExistingTablesAndCreatesNewOnes)
{
    const RunOutcome outcome = run({QStringLiteral("DEPT"), QStringLiteral("EMP")}, definitionsOnlySettings());
    EXPECT_EQ(host.lines, QStringList({"Drop table DEPT... ", "Drop table DEPT...Done", "", "Create table DEPT...Done",
                                       "", "Create table EMP...Done", ""}) + englishEnd);
    EXPECT_EQ(targetColumns(QStringLiteral("DEPT")), (QStringList{"DEPTNO", "DNAME"}));
    EXPECT_EQ(targetColumns(QStringLiteral("EMP")), (QStringList{"EMPNO", "ENAME"}));
    EXPECT_EQ(outcome.tablesProcessed, 2);
    EXPECT_EQ(outcome.tablesWithFailures, 0);
    EXPECT_EQ(host.runStarts, 1);
    // Unattended runs save their log after the second completion line.
    EXPECT_EQ(host.completionHooks, 1);
    EXPECT_EQ(host.linesAtCompletionHook, host.lines.size() - 1);
}

TEST_F(Run, MergeLeavesExistingTablesAloneAndCreatesNewOnes)
{
    run({QStringLiteral("DEPT"), QStringLiteral("EMP")}, definitionsOnlySettings(ExistingTablePolicy::Merge));
    EXPECT_EQ(host.lines, QStringList({"Create table EMP...Done", ""}) + englishEnd);
    EXPECT_EQ(targetColumns(QStringLiteral("DEPT")), QStringList{"OLDCOL"});
    EXPECT_EQ(db.scalar(QStringLiteral("select OLDCOL from %1.DEPT").arg(db.name())), QStringLiteral("7"));
}

TEST_F(Run, SkipWritesItsLinesAndTouchesNothing)
{
    run({QStringLiteral("DEPT"), QStringLiteral("EMP")}, definitionsOnlySettings(ExistingTablePolicy::Skip));
    EXPECT_EQ(host.lines, QStringList({"Skip table DEPT... ", "", "Create table EMP...Done", ""}) + englishEnd);

    // Rows asked for: the skipped table gets a second line without dots.
    host.lines.clear();
    ConversionSettings settings = definitionsOnlySettings(ExistingTablePolicy::Skip);
    settings.tableDefinitionsOnly = false;
    const RunOutcome outcome = run({QStringLiteral("DEPT")}, settings);
    EXPECT_EQ(host.lines, QStringList({"Skip table DEPT... ", "", "Skip table DEPT", ""}) + englishEnd);
    EXPECT_EQ(host.yields, 0);
    EXPECT_EQ(outcome.tablesWithFailures, 0);
    EXPECT_EQ(targetColumns(QStringLiteral("DEPT")), QStringList{"OLDCOL"});
}

TEST_F(Run, FailedDefinitionIsLoggedAndCounted)
{
    connect(QStringLiteral("create table GOOD (A NUMBER(3)); create table BAD (A NUMBER(3), %1 NUMBER(3));")
                .arg(refusedColumn));
    const RunOutcome outcome = run({QStringLiteral("BAD"), QStringLiteral("GOOD")}, definitionsOnlySettings());
    ASSERT_EQ(host.lines.size(), 8);
    EXPECT_EQ(host.lines.at(0), QStringLiteral("Create table BAD... "));
    EXPECT_EQ(host.lines.at(1), refusal);
    EXPECT_EQ(host.lines.mid(2, 3), QStringList({"", "Create table GOOD...Done", ""}));
    EXPECT_EQ(host.lines.mid(5), QStringList({"Conversion is Completed",
                                              "Conversion finished with errors: 1 of 2 tables had failures. "
                                              "See the messages above.",
                                              "Click 'Finish' to exit the wizard."}));
    EXPECT_EQ(outcome.tablesProcessed, 2);
    EXPECT_EQ(outcome.tablesWithFailures, 1);
    // An unattended run reads its exit status from what its end hook is told.
    EXPECT_EQ(host.outcomeAtCompletionHook.tablesWithFailures, 1);
}

TEST_F(Run, WildcardsInANameAreNoPattern)
{
    // T_1 is new although TX1 exists: "_" is a character of the name, not a wildcard.
    connect(QStringLiteral("create table T_1 (A NUMBER(3)); insert into T_1 values (5);"));
    db.exec(QStringLiteral("create table %1.TX1 (B int)").arg(db.name()));
    for (const auto policy : {ExistingTablePolicy::Overwrite, ExistingTablePolicy::Merge, ExistingTablePolicy::Skip}) {
        SCOPED_TRACE(int(policy));
        db.exec(QStringLiteral("drop table if exists %1.T_1").arg(db.name()));
        host.lines.clear();
        ConversionSettings settings = definitionsOnlySettings(policy);
        settings.tableDefinitionsOnly = false;
        const RunOutcome outcome = run({QStringLiteral("T_1")}, settings);
        EXPECT_EQ(host.lines, QStringList({"Create table T_1...Done", "", "Insert table T_1 1 Rows ...Done", ""})
                                  + englishEnd);
        EXPECT_EQ(outcome.tablesWithFailures, 0);
        EXPECT_EQ(targetColumns(QStringLiteral("TX1")), QStringList{"B"});
    }
}

TEST_F(Run, OverwriteKeepsTheExistingTableWhenItsReplacementIsRefused)
{
    connect(QStringLiteral("create table DEPT (DEPTNO NUMBER(2), %1 NUMBER(3));").arg(refusedColumn));
    ConversionSettings settings;  // indexes and rows too: neither may touch the kept table
    const RunOutcome outcome = run({QStringLiteral("DEPT")}, settings);
    ASSERT_EQ(host.lines.size(), 10) << host.lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(host.lines.mid(0, 4),
              QStringList({"Drop table DEPT... ", "Drop table DEPT...Done", "", "Create table DEPT... "}));
    EXPECT_EQ(host.lines.at(4), refusal);
    EXPECT_EQ(host.lines.mid(5, 2), QStringList({"Table DEPT is kept as it was", ""}));
    EXPECT_EQ(outcome.tablesWithFailures, 1);
    EXPECT_EQ(targetColumns(QStringLiteral("DEPT")), QStringList{"OLDCOL"});
    EXPECT_EQ(db.column(QStringLiteral("select OLDCOL from %1.DEPT").arg(db.name())), QStringList{"7"});
    EXPECT_EQ(db.column(QStringLiteral("show tables from %1").arg(db.name())), QStringList{"DEPT"});
}

TEST_F(Run, StopAtATableHeadEndsTheRunSilentlyWithoutCompletionLines)
{
    ConversionSettings settings = definitionsOnlySettings(ExistingTablePolicy::Merge);
    settings.tableDefinitionsOnly = false;
    // The user confirms Stop at the first yield, before DEPT's rows are copied;
    // the copy of an empty table reaches no checkpoint and ends normally.
    host.onProcessEvents = [](RecordingHost& h) { h.stop = true; };
    host.stop = true;  // a stale request from before the run is cleared at its start
    EXPECT_THROW(run({QStringLiteral("DEPT"), QStringLiteral("EMP")}, settings), SilentAbort);
    EXPECT_EQ(host.yields, 1);
    EXPECT_FALSE(host.stop);
    EXPECT_EQ(host.lines,
              (QStringList{"Insert table DEPT 0 Rows ...Done", "Columns not copied to DEPT: DEPTNO, DNAME", ""}));
    EXPECT_TRUE(targetColumns(QStringLiteral("EMP")).isEmpty());
    EXPECT_EQ(host.completionHooks, 0);
}

TEST_F(Run, FailedProbeEndsTheRunWithTheFailure)
{
    // The target connection is lost before the run.
    SqlQuery id(&mysqlconnect);
    id.openQuery(QStringLiteral("select connection_id()"));
    db.exec(QStringLiteral("kill ") + id.fieldText(0));
    id.close();
    EXPECT_THROW(run({QStringLiteral("EMP"), QStringLiteral("DEPT")}, definitionsOnlySettings()), Error);
    EXPECT_TRUE(host.lines.isEmpty());
    EXPECT_EQ(host.completionHooks, 0);
}

TEST_F(Run, EmptySelectionWritesOnlyTheCompletionLines)
{
    const RunOutcome outcome = run({}, definitionsOnlySettings());
    EXPECT_EQ(host.lines, englishEnd);
    EXPECT_EQ(outcome.tablesProcessed, 0);
}

TEST_F(Run, LinesWrittenBeforeTheRunStay)
{
    host.lines << QStringLiteral("Start time:2026-12-09 10:00:00");
    run({QStringLiteral("EMP")}, definitionsOnlySettings());
    EXPECT_EQ(host.lines.first(), QStringLiteral("Start time:2026-12-09 10:00:00"));
    EXPECT_EQ(host.lines.at(1), QStringLiteral("Create table EMP...Done"));
}

TEST_F(Run, ChineseCompletionLinesWithAndWithoutFailures)
{
    host.language = UiLanguage::Chinese;
    run({QStringLiteral("EMP")}, definitionsOnlySettings());
    EXPECT_EQ(host.lines.mid(2), QStringList({"已经完成转换", "向导已经完成Orccle 数据库到Mysql的转换.",
                                              "点击 'Finish' 离开本向导."}));

    connect(QStringLiteral("create table A (X NUMBER(3)); create table B (%1 NUMBER(3)); create table C (%1 NUMBER(3));")
                .arg(refusedColumn));
    host.lines.clear();
    run({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}, definitionsOnlySettings());
    EXPECT_EQ(host.lines.mid(host.lines.size() - 3),
              QStringList({"已经完成转换", "转换已完成,但有错误: 3 个表中有 2 个表失败。请查看上面的信息。",
                           "点击 'Finish' 离开本向导."}));
}

TEST_F(Run, NamesUppercaseChangesOnlyAsciiLettersOfTheTargetName)
{
    connect(QStringLiteral("create table \"Kunde_ä\" (\"Name\" VARCHAR2(20));"));
    ConversionSettings settings = definitionsOnlySettings();
    run({QStringLiteral("Kunde_ä")}, settings);
    EXPECT_EQ(host.lines.first(), QStringLiteral("Create table KUNDE_ä...Done"));
    EXPECT_EQ(targetColumns(QStringLiteral("KUNDE_ä")), QStringList{"Name"});

    settings.namesUppercase = false;
    host.lines.clear();
    run({QStringLiteral("Kunde_ä")}, settings);
    EXPECT_EQ(host.lines.first(), QStringLiteral("Create table Kunde_ä...Done"));
    EXPECT_EQ(targetColumns(QStringLiteral("Kunde_ä")), QStringList{"Name"});
}

TEST_F(Run, CharacterSetGoesIntoEveryCreatedTable)
{
    ConversionSettings settings = definitionsOnlySettings();
    settings.characterSetEntry = ConversionSettings::characterSetEntryOf(QStringLiteral("latin1"));
    run({QStringLiteral("EMP")}, settings);
    EXPECT_TRUE(host.clipboard.endsWith(QStringLiteral(")\r\n DEFAULT CHARSET=latin1")));
    EXPECT_TRUE(db.showCreateTable(QStringLiteral("EMP")).contains(QStringLiteral("CHARSET=latin1")));
}

TEST(ExistingTablePolicy, ItemIndexesMapToPolicies)
{
    const auto policyOf = [](int index) {
        ConversionSettings settings;
        settings.existingTablePolicy = index;
        return settings.policy();
    };
    EXPECT_EQ(policyOf(0), ExistingTablePolicy::Overwrite);
    EXPECT_EQ(policyOf(1), ExistingTablePolicy::Merge);
    EXPECT_EQ(policyOf(2), ExistingTablePolicy::Skip);
    EXPECT_EQ(policyOf(-1), ExistingTablePolicy::Merge);
    EXPECT_EQ(policyOf(5), ExistingTablePolicy::Merge);
}
