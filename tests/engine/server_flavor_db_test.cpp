// The decisions taken for MySQL and the servers that keep its limits, taken
// against the sandbox MariaDB with QUORVANE_TARGET_FLAVOR, beside MariaDB's
// own statements, which stay as they were.

#include "support/ConversionFixture.h"

#include <QScopeGuard>
#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace {

const char* const longTextSql = R"sql(
create table D (ID NUMBER(5), NAME "VARCHAR2(100 CHAR)", NOTE VARCHAR2(4000), DOC CLOB, FREE VARCHAR2(4000));
create unique index NAME_U on D (NAME);
create index NOTE_I on D (NOTE, ID);
create unique index NOTE_U on D (NOTE);
create index DOC_I on D (DOC);
create unique index DOC_U on D (DOC);
insert into D values (1, 'Ann', 'n', 'd', 'f');
)sql";

class ServerDecisions : public ConversionFixture {
protected:
    // Connects with the decisions of `flavor` (empty: what the server is).
    void connectAs(const char* flavor, const QString& sql)
    {
        if (*flavor)
            qputenv("QUORVANE_TARGET_FLAVOR", flavor);
        else
            qunsetenv("QUORVANE_TARGET_FLAVOR");
        connect(sql);
    }
    ~ServerDecisions() override { qunsetenv("QUORVANE_TARGET_FLAVOR"); }

    QStringList columnTypes(const QString& table)
    {
        return db.column(QStringLiteral("select concat(column_name, ' ', column_type) from information_schema.columns "
                                        "where table_schema = database() and table_name = '%1' order by ordinal_position")
                             .arg(table));
    }
    // "NAME (COL(prefix),...)" for each index, by name.
    QStringList indexes(const QString& table)
    {
        return db.column(QStringLiteral("select concat(index_name, if(non_unique = 0, ' UNIQUE (', ' ('), "
                                        "group_concat(concat(column_name, coalesce(concat('(', sub_part, ')'), '')) "
                                        "order by seq_in_index), ')') from information_schema.statistics where "
                                        "table_schema = database() and table_name = '%1' group by index_name, "
                                        "non_unique order by index_name")
                             .arg(table));
    }
};

}  // namespace

TEST_F(ServerDecisions, LongTextColumnsKeepTheirIndexesWhereTheServerCanKeepTheirGuarantee)
{
    struct Case {
        const char* flavor;
        QStringList columns;
        QStringList indexes;
        QStringList refusals;
    };
    const Case cases[] = {
        {"",
         {"ID decimal(5,0)", "NAME text", "NOTE text", "DOC longtext", "FREE text"},
         // MariaDB makes a prefix (or a hash key) of a TEXT key alone, and refuses it beside another column.
         {"DOC_I (DOC(768))", "DOC_U UNIQUE (DOC)", "NAME_U UNIQUE (NAME)", "NOTE_U UNIQUE (NOTE)"},
         {"Specified key was too long; max key length is 3072 bytes"}},
        {"mysql",
         {"ID decimal(5,0)", "NAME varchar(100)", "NOTE varchar(4000)", "DOC longtext", "FREE text"},
         {"DOC_I (DOC(768))", "NAME_U UNIQUE (NAME)", "NOTE_I (NOTE(760),ID)"},
         {"Index DOC_U is unique over the column DOC, which this server indexes only by a prefix; a prefix cannot "
          "keep it unique, so it is not made",
          "Index NOTE_U is unique over a key of 16000 bytes, more than this server's 3072; a prefix cannot keep it "
          "unique, so it is not made"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(*c.flavor ? c.flavor : "mariadb");
        db.exec(QStringLiteral("drop table if exists D"));
        connectAs(c.flavor, QString::fromUtf8(longTextSql));
        const DefinitionStepResult created = steps.CreateTargetTable(QStringLiteral("D"), QStringLiteral("D"),
                                                                     QStringLiteral("utf8mb4"));
        ASSERT_TRUE(created.ok) << created.message.toStdString();
        const IndexStepResult made = steps.CreateTargetIndexes(QStringLiteral("D"), QStringLiteral("D"));
        EXPECT_EQ(columnTypes(QStringLiteral("D")), c.columns);
        EXPECT_EQ(indexes(QStringLiteral("D")), c.indexes);
        QStringList refusals;
        for (const auto& refusal : made.refused)
            refusals << refusal.message;
        EXPECT_EQ(refusals, c.refusals);
    }
}

TEST_F(ServerDecisions, ADecimalScaleBeyondThirtyIsThirtyOnMySql)
{
    const QString sql = QStringLiteral(
        "create table N (ID NUMBER(3), X \"NUMBER(38,35)\");"
        "insert into N values (1, cast('0.123456789012345678901234567890' as blob)),"
        "  (2, cast('0.12345678901234567890123456789012345' as blob));");
    for (const bool round : {false, true}) {
        SCOPED_TRACE(round ? "rounding" : "refusing");
        db.exec(QStringLiteral("drop table if exists N"));
        host.lines.clear();
        connectAs("mysql", sql);
        ConversionSettings settings;
        settings.roundValues = round;
        const RunOutcome outcome = run({QStringLiteral("N")}, settings);
        EXPECT_EQ(columnTypes(QStringLiteral("N")), (QStringList{"ID decimal(3,0)", "X decimal(38,30)"}));
        EXPECT_EQ(outcome.tablesWithFailures, round ? 0 : 1);
        if (round) {
            EXPECT_EQ(db.column(QStringLiteral("select X from N order by ID")),
                      (QStringList{"0.123456789012345678901234567890", "0.123456789012345678901234567890"}));
            EXPECT_TRUE(host.lines.contains(QStringLiteral("Rounded 1 value of column X of N to the target column")));
        } else {
            EXPECT_TRUE(host.lines.contains(QStringLiteral(
                "Value '0.12345678901234567890123456789012345' of column X in row 2 cannot be stored in the target "
                "column without loss")))
                << host.lines.join('\n').toStdString();
        }
    }
    // MariaDB keeps the whole scale.
    db.exec(QStringLiteral("drop table N"));
    connectAs("", sql);
    EXPECT_EQ(run({QStringLiteral("N")}, ConversionSettings{}).tablesWithFailures, 0);
    EXPECT_EQ(columnTypes(QStringLiteral("N")), (QStringList{"ID decimal(3,0)", "X decimal(38,35)"}));
}

// vtgate takes a lock function only alone in its statement.
TEST_F(ServerDecisions, TheRunLockIsAskedForInAStatementOfItsOwn)
{
    connectAs("vitess", QStringLiteral("create table T (A NUMBER(3));"));
    mysqlexec.openQuery(QStringLiteral("select connection_id()"));
    const QString thread = mysqlexec.fieldText(0);
    mysqlexec.close();
    db.exec(QStringLiteral("set global log_output = 'TABLE', general_log = 1"));
    steps.LockTargetDatabase();
    db.exec(QStringLiteral("set global general_log = 0"));
    steps.UnlockTargetDatabase();
    EXPECT_EQ(db.column(QStringLiteral("select argument from mysql.general_log where thread_id = %1 and "
                                       "command_type = 'Query' and argument like 'select%' order by event_time")
                            .arg(thread)),
              (QStringList{"select database()",
                           "select get_lock(concat('quorvane:', sha1(coalesce(database(), ''))), 0)"}));
}
