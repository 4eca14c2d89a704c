// Names and values from the source are data: whatever a name holds, it
// names one table, column or index, and no value changes on its way.

#include "support/ConversionFixture.h"

#include <QSet>
#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace {

const QString tooLong = QStringLiteral("T") + QString(69, QLatin1Char('x'));
// Within MySQL's 64 characters, so that it must become a table of that name.
const QString smuggledTable = QStringLiteral("LEAK AS SELECT user AS U FROM mysql.user WHERE (1=1 #");

class NamesAndValues : public ConversionFixture {
protected:
    RunOutcome runAll(const QStringList& tables, ExistingTablePolicy policy = ExistingTablePolicy::Overwrite)
    {
        ConversionSettings settings;
        settings.existingTablePolicy = int(policy);
        settings.namesUppercase = false;
        return run(tables, settings);
    }

    QString log() const { return host.lines.join(QLatin1Char('\n')); }
};

}  // namespace

TEST_F(NamesAndValues, HostileNamesCopyExactlyOrFailAlone)
{
    const QString schema = QStringLiteral(
        "create table \"it's\" (A NUMBER(3)); insert into \"it's\" values (1);"
        "create table \"back`tick\" (A NUMBER(3)); insert into \"back`tick\" values (2);"
        "create table \"dq\"\"x\" (A NUMBER(3)); insert into \"dq\"\"x\" values (3);"
        "create table \"with blank\" (\"a b\" NUMBER(3), \"q'uote\" VARCHAR2(5), \"b`tick\" VARCHAR2(5),"
        " \"d\"\"q\" VARCHAR2(5)); insert into \"with blank\" values (4, 'q', 'b', 'd');"
        "create table \"semi;colon\" (A NUMBER(3)); insert into \"semi;colon\" values (5);"
        "create table \"dash--dash\" (A NUMBER(3)); insert into \"dash--dash\" values (6);"
        "create table \"hash#\" (A NUMBER(3)); insert into \"hash#\" values (7);"
        "create table \"ORDER\" (\"KEY\" NUMBER(3), \"RANGE\" NUMBER(3), \"READ\" NUMBER(3), \"GROUP\" NUMBER(3));"
        " insert into \"ORDER\" values (8, 8, 8, 8);"
        "create table 订单 (数量 NUMBER(3)); insert into 订单 values (9);"
        "create table %1 (A NUMBER(3)); insert into %1 values (10);"
        "create table \"%2\" (A NUMBER(3)); insert into \"%2\" values (11);"
        "create table HOST (D NUMBER(3)); create index \"IX on VICTIM (D) #\" on HOST (D); insert into HOST values (12);"
        "create table USER_TABLES (A NUMBER(3)); insert into USER_TABLES values (13);"
        "create table \"Mixed\" (A NUMBER(3)); insert into \"Mixed\" values (14);")
                               .arg(tooLong, smuggledTable);
    connect(schema);
    db.exec(QStringLiteral("create table VICTIM (D int)"));
    const QStringList tables{"it's",   "back`tick", "dq\"x",    "with blank", "semi;colon", "dash--dash",
                             "hash#",  "ORDER",     "订单",     tooLong,      smuggledTable, "HOST",
                             "USER_TABLES", "Mixed"};

    const RunOutcome outcome = runAll(tables);
    EXPECT_EQ(outcome.tablesProcessed, 14);
    EXPECT_EQ(outcome.tablesWithFailures, 1) << log().toStdString();
    EXPECT_TRUE(log().contains(QStringLiteral("Create table %1... \nThe name %1 has 70 characters; MySQL takes at most 64\n\n"
                                              "Create table ").arg(tooLong)))
        << log().toStdString();

    // Exactly the tables asked for, and the one that was there; each holds its row.
    QStringList expected = tables;
    expected.removeAll(tooLong);
    expected << QStringLiteral("VICTIM");
    const QStringList existing = db.column(QStringLiteral("show tables"));
    EXPECT_EQ(QSet<QString>(existing.begin(), existing.end()), QSet<QString>(expected.begin(), expected.end()));
    for (int i = 0; i < tables.size(); ++i) {
        if (tables[i] == tooLong)
            continue;
        SCOPED_TRACE(tables[i].toStdString());
        const QString quoted = QLatin1Char('`') + QString(tables[i]).replace(QLatin1Char('`'), QStringLiteral("``"))
                               + QLatin1Char('`');
        EXPECT_EQ(db.scalar(QStringLiteral("select * from ") + quoted), QString::number(i + 1));
    }
    EXPECT_EQ(db.scalar(QStringLiteral("select concat_ws('|', `q'uote`, `b``tick`, `d\"q`) from `with blank`")),
              QStringLiteral("q|b|d"));
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from information_schema.statistics where table_schema = "
                                       "database() and table_name = 'VICTIM'")),
              QStringLiteral("0"));
    EXPECT_EQ(db.scalar(QStringLiteral("select index_name from information_schema.statistics where table_schema = "
                                       "database() and table_name = 'HOST'")),
              QStringLiteral("IX on VICTIM (D) #"));
}

TEST_F(NamesAndValues, MergeKeepsKeysDefaultsAndTellsWhatItCannotCopy)
{
    connect(QStringLiteral(
        "create table M (ID NUMBER(5), NAME VARCHAR2(10), EXTRA VARCHAR2(5)); insert into M values (10, 'a', 'x'), (20, 'b', 'y');"
        "create table NONE (Q NUMBER(3)); insert into NONE values (1);"));
    db.exec(QStringLiteral("create table M (ID int auto_increment primary key, NAME varchar(10), "
                           "KIND varchar(5) not null default 'k')"));
    db.exec(QStringLiteral("create table NONE (Z int)"));

    const RunOutcome outcome = runAll({QStringLiteral("M"), QStringLiteral("NONE")}, ExistingTablePolicy::Merge);
    const QString none = QStringLiteral("No column of NONE is a column of NONE: no row can be copied");
    EXPECT_EQ(host.lines.mid(0, 7),
              QStringList({"Insert table M 2 Rows ...Done", "Columns not copied to M: EXTRA", "",
                           "Insert table NONE... ", none, none, "Rows kept in NONE: 0"}));
    EXPECT_EQ(outcome.tablesWithFailures, 2);
    EXPECT_EQ(db.column(QStringLiteral("select concat_ws(',', ID, NAME, KIND) from M order by ID")),
              (QStringList{"10,a,k", "20,b,k"}));
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from NONE")), QStringLiteral("0"));
}

TEST_F(NamesAndValues, ValuesTheTargetWouldChangeAreRefused)
{
    connect(QStringLiteral(
        "create table V1 (N NUMBER(5)); insert into V1 values (3.7);"
        "create table V2 (N NUMBER(10,2)); insert into V2 values (3.14159);"
        "create table V3 (D DATE); insert into V3 values ('-0044-03-15');"
        "create table V4 (T VARCHAR2(10)); insert into V4 values (cast(x'41ff42' as text));"
        "create table V5 (TS TIMESTAMP(6)); insert into V5 values ('2024-02-29 13:14:15.123456');"));
    const struct {
        const char* table;
        const char* refusal;
    } refused[] = {
        {"V1", "Value '3.7' of column N in row 1 cannot be stored in the target column without loss"},
        {"V2", "Value '3.14159' of column N in row 1 cannot be stored in the target column without loss"},
        {"V3", "of column D in row 1 cannot be stored in the target column without loss"},
        {"V4", "Value '(3 bytes)' of column T in row 1 cannot be stored in the target column without loss"},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.table);
        host.lines.clear();
        runAll({QLatin1String(r.table)});
        EXPECT_TRUE(log().contains(QLatin1String(r.refusal))) << log().toStdString();
        EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from ") + QLatin1String(r.table)), QStringLiteral("0"));
    }
    ASSERT_TRUE(runAll({QStringLiteral("V5")}).succeeded()) << log().toStdString();
    EXPECT_EQ(db.scalar(QStringLiteral("select TS from V5")), QStringLiteral("2024-02-29 13:14:15.123456"));
}

TEST_F(NamesAndValues, RowsArriveUnderSwe7)
{
    // swe7 has no backquote of its own; the server still quotes names with byte 0x60.
    connect(QStringLiteral("create table S (A VARCHAR2(10)); insert into S values ('abc');"), QStringLiteral("swe7"));
    ASSERT_TRUE(runAll({QStringLiteral("S")}).succeeded()) << log().toStdString();
    EXPECT_EQ(db.scalar(QStringLiteral("select A from S")), QStringLiteral("abc"));
}
