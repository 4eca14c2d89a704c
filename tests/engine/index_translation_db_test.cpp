#include "data/Errors.h"
#include "support/ConversionFixture.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace {

class IndexTranslation : public ConversionFixture {
protected:
    // "NAME UNIQUE|PLAIN (COL,COL)" for each index of a MySQL table, by name.
    QStringList targetIndexes(const QString& table)
    {
        return db.column(
            QStringLiteral("select concat(index_name, if(non_unique = 0, ' UNIQUE (', ' PLAIN ('), "
                           "group_concat(column_name order by seq_in_index separator ','), ')') "
                           "from information_schema.statistics where table_schema = '%1' and table_name = '%2' "
                           "group by index_name, non_unique order by index_name")
                .arg(db.name(), table));
    }

    IndexStepResult createWithIndexes(const QString& source, const QString& target)
    {
        const StepResult created = steps.CreateTargetTable(source, target, {});
        EXPECT_TRUE(created.ok) << created.message.toStdString();
        return steps.CreateTargetIndexes(source, target);
    }
};

}  // namespace

TEST_F(IndexTranslation, TableWithoutIndexesSendsNothing)
{
    connect(QStringLiteral("create table T (A NUMBER(3));"));
    const IndexStepResult result = createWithIndexes(QStringLiteral("T"), QStringLiteral("T"));
    EXPECT_TRUE(result.ok);
    EXPECT_TRUE(result.refused.isEmpty());
    EXPECT_TRUE(targetIndexes(QStringLiteral("T")).isEmpty());
    EXPECT_FALSE(oracledata.active());
}

TEST_F(IndexTranslation, EachIndexBecomesOneStatementInNameOrder)
{
    connect(QStringLiteral("create table EMP (EMPNO NUMBER(4) primary key, ENAME VARCHAR2(10), JOB VARCHAR2(9),"
                           " DEPTNO NUMBER(2));"
                           "create index EMP_NAME_IX on EMP (ENAME, JOB);"
                           "create index EMP_DEPT_IX on EMP (DEPTNO);"
                           "create unique index EMP_JOB_UX on EMP (JOB, DEPTNO, ENAME);"));
    const StepResult result = createWithIndexes(QStringLiteral("EMP"), QStringLiteral("EMP"));
    EXPECT_TRUE(result.ok) << result.message.toStdString();
    EXPECT_EQ(targetIndexes(QStringLiteral("EMP")),
              (QStringList{"EMP_DEPT_IX PLAIN (DEPTNO)", "EMP_JOB_UX UNIQUE (JOB,DEPTNO,ENAME)",
                           "EMP_NAME_IX PLAIN (ENAME,JOB)", "PK_EMP UNIQUE (EMPNO)"}));
}

TEST_F(IndexTranslation, TargetNameFollowsTheNameCaseWhileTheCatalogUsesTheSourceName)
{
    connect(QStringLiteral("create table emp (empno NUMBER(4)); create unique index emp_ux on emp (empno);"));
    ConversionSettings settings = definitionsOnlySettings();
    settings.skipIndexes = false;
    run({QStringLiteral("emp")}, settings);
    EXPECT_EQ(host.lines.first(), QStringLiteral("Create table EMP...Done"));
    EXPECT_EQ(targetIndexes(QStringLiteral("EMP")), QStringList{"emp_ux UNIQUE (empno)"});
}

TEST_F(IndexTranslation, RefusedStatementIsPassedOverAndToldInTheLog)
{
    // A function-based index: its key is an expression, not a column.
    connect(QStringLiteral("create table DOC (ID NUMBER(5), BODY CLOB, CODE VARCHAR2(8));"
                           "create index A_ID on DOC (ID);"
                           "create unique index B_UPPER on DOC (upper(CODE));"
                           "create index C_CODE on DOC (CODE, ID);"));
    ConversionSettings settings = definitionsOnlySettings();
    settings.skipIndexes = false;
    const RunOutcome outcome = run({QStringLiteral("DOC")}, settings);
    const QString refusal = QStringLiteral("Index B_UPPER has the expression upper(CODE) as a key; it is not made");
    EXPECT_EQ(host.lines, (QStringList{"Create table DOC...Done", "", "Create index B_UPPER... ", refusal, "",
                                       "Conversion is Completed",
                                       "Conversion finished with errors: 1 of 1 tables had failures. See the "
                                       "messages above.",
                                       "Click 'Finish' to exit the wizard."}));
    EXPECT_EQ(targetIndexes(QStringLiteral("DOC")), (QStringList{"A_ID PLAIN (ID)", "C_CODE PLAIN (CODE,ID)"}));
    EXPECT_EQ(outcome.tablesWithFailures, 1);

    const IndexStepResult again = steps.CreateTargetIndexes(QStringLiteral("DOC"), QStringLiteral("DOC"));
    EXPECT_FALSE(again.ok);
    // Every statement fails now (the indexes exist, or cannot be made); the last message stays.
    EXPECT_EQ(again.message, QStringLiteral("Duplicate key name 'C_CODE'"));
    EXPECT_EQ(again.refused.size(), 3);
}

TEST_F(IndexTranslation, RowsArriveAfterTheIndexesAndAreCheckedByThem)
{
    connect(QStringLiteral("create table T (ID NUMBER(5) primary key, NAME VARCHAR2(10));"
                           "insert into T values (1, 'a'), (2, 'b');"));
    ConversionSettings settings;
    settings.existingTablePolicy = int(ExistingTablePolicy::Overwrite);
    const RunOutcome outcome = run({QStringLiteral("T")}, settings);
    EXPECT_EQ(host.lines.mid(0, 4),
              (QStringList{"Create table T...Done", "", "Insert table T 2 Rows ...Done", ""}));
    EXPECT_EQ(targetIndexes(QStringLiteral("T")), QStringList{"PK_T UNIQUE (ID)"});
    EXPECT_TRUE(outcome.succeeded());
}

TEST_F(IndexTranslation, FailingCatalogQueryEndsTheRun)
{
    connect(QStringLiteral("create table AB (X NUMBER(3));"));
    oracleconn.close();  // the source is lost
    EXPECT_THROW(steps.CreateTargetIndexes(QStringLiteral("AB"), QStringLiteral("AB")), Error);
}
