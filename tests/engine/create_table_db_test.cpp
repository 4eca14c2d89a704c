#include "support/ConversionFixture.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace {

class CreateTable : public ConversionFixture {
protected:
    // "NAME type" for each column of a MySQL table, in column order.
    QStringList mysqlColumns(const QString& table)
    {
        return db.column(QStringLiteral("select concat(column_name, ' ', column_type) from information_schema.columns "
                                        "where table_schema = '%1' and table_name = '%2' order by ordinal_position")
                             .arg(db.name(), table));
    }
};

const char* const empSchema =
    "create table EMP (EMPNO NUMBER(4), ENAME VARCHAR2(10), HIREDATE DATE, SAL NUMBER(7,2), NOTE CLOB, QTY NUMBER);";

}  // namespace

TEST_F(CreateTable, EmpExampleGivesExactlyItsNineLines)
{
    connect(QString::fromLatin1(empSchema));
    host.clipboard = QStringLiteral("something copied before");
    const StepResult result = steps.CreateTargetTable(QStringLiteral("EMP"), QStringLiteral("EMP"),
                                                      QStringLiteral("utf8"));
    ASSERT_TRUE(result.ok) << result.message.toStdString();
    EXPECT_EQ(host.clipboard, QStringLiteral("Create table `EMP` (\r\n"
                                             "`EMPNO` decimal(4,0) , \r\n"
                                             "`ENAME` varchar(10) , \r\n"
                                             "`HIREDATE` DATETIME , \r\n"
                                             "`SAL` decimal(7,2) , \r\n"
                                             "`NOTE` LONGTEXT , \r\n"
                                             "`QTY` bigint(22)\r\n"
                                             ")\r\n"
                                             " DEFAULT CHARSET=utf8"));
    EXPECT_EQ(mysqlColumns(QStringLiteral("EMP")),
              (QStringList{"EMPNO decimal(4,0)", "ENAME varchar(10)", "HIREDATE datetime", "SAL decimal(7,2)",
                           "NOTE longtext", "QTY bigint(22)"}));
    EXPECT_TRUE(db.showCreateTable(QStringLiteral("EMP")).contains(QStringLiteral("CHARSET=utf8")));
}

TEST_F(CreateTable, EveryTypeRuleGivesItsMySqlColumn)
{
    connect(QStringLiteral(
        "create table ALLTYPES ("
        " N_PLAIN NUMBER, N_P NUMBER(5), N_PS NUMBER(10,2), N_INT INTEGER, N_SMALL SMALLINT, N_STAR \"NUMBER(*,2)\","
        " N_DEC DECIMAL(12,3),"
        " V_255 VARCHAR2(255), V_256 VARCHAR2(256), V_BYTE \"VARCHAR2(20 BYTE)\", V_CHAR \"VARCHAR2(100 CHAR)\","
        " V_PLAIN VARCHAR(30), NV_100 NVARCHAR2(100), NV_150 NVARCHAR2(150), C_10 CHAR(10), C_1 CHAR,"
        " C_300 CHAR(300), B BLOB, CL CLOB, NCL NCLOB, D DATE, TS TIMESTAMP, TS6 TIMESTAMP(6),"
        " TSLTZ \"TIMESTAMP WITH LOCAL TIME ZONE\", TSTZ \"TIMESTAMP(6) WITH TIME ZONE\","
        " IYM \"INTERVAL YEAR TO MONTH\", IDS \"INTERVAL DAY(2) TO SECOND(6)\", BD BINARY_DOUBLE, BF BINARY_FLOAT,"
        " LR \"LONG RAW\", R_255 RAW(255), R_256 RAW(256));"
        "create table LONGTEXTS (L LONG);"));
    const StepResult result = steps.CreateTargetTable(QStringLiteral("ALLTYPES"), QStringLiteral("ALLTYPES"), {});
    ASSERT_TRUE(result.ok) << result.message.toStdString() << "\n" << host.clipboard.toStdString();
    EXPECT_FALSE(host.clipboard.contains(QStringLiteral("DEFAULT CHARSET")));
    EXPECT_EQ(mysqlColumns(QStringLiteral("ALLTYPES")),
              (QStringList{"N_PLAIN bigint(22)", "N_P decimal(5,0)", "N_PS decimal(10,2)", "N_INT bigint(22)",
                           "N_SMALL bigint(22)", "N_STAR decimal(38,2)", "N_DEC decimal(12,3)",
                           "V_255 varchar(255)", "V_256 text", "V_BYTE varchar(20)", "V_CHAR text",
                           "V_PLAIN varchar(30)", "NV_100 varchar(200)", "NV_150 text", "C_10 varchar(10)",
                           "C_1 varchar(1)", "C_300 text", "B longblob", "CL longtext", "NCL longtext",
                           "D datetime", "TS datetime(6)", "TS6 datetime(6)", "TSLTZ datetime(6)", "TSTZ datetime(6)",
                           "IYM varchar(20)", "IDS varchar(20)", "BD varchar(24)", "BF varchar(20)",
                           "LR mediumblob", "R_255 tinyblob", "R_256 blob"}));
    // The letter case of the type texts is the statement's own.
    EXPECT_TRUE(host.clipboard.contains(QStringLiteral("\r\n`CL` LONGTEXT , \r\n")));
    EXPECT_TRUE(host.clipboard.contains(QStringLiteral("\r\n`NCL` longtext , \r\n")));
    EXPECT_TRUE(host.clipboard.endsWith(QStringLiteral("\r\n`R_256` blob\r\n)")));

    ASSERT_TRUE(steps.CreateTargetTable(QStringLiteral("LONGTEXTS"), QStringLiteral("LONGTEXTS"), {}).ok);
    EXPECT_EQ(mysqlColumns(QStringLiteral("LONGTEXTS")), QStringList{"L mediumtext"});
}

TEST_F(CreateTable, SingleColumnTableHasThreeLinesAndNamesPassUnchanged)
{
    connect(QStringLiteral("create table \"Mixed_Case\" (\"ColOne\" VARCHAR2(5));"));
    ASSERT_TRUE(steps.CreateTargetTable(QStringLiteral("Mixed_Case"), QStringLiteral("MIXED_CASE"), {}).ok);
    EXPECT_EQ(host.clipboard, QStringLiteral("Create table `MIXED_CASE` (\r\n`ColOne` varchar(5)\r\n)"));
    EXPECT_EQ(mysqlColumns(QStringLiteral("MIXED_CASE")), QStringList{"ColOne varchar(5)"});
}

TEST_F(CreateTable, FailuresAreReturnedWithTheServerMessageAndTheStatementOnTheClipboard)
{
    const QString longName(65, QLatin1Char('L'));
    connect(QStringLiteral("create table T_LONG (A NUMBER(3), %1 NUMBER(3), B DATE);"
                           "create table T_OK (A NUMBER(3));")
                .arg(longName));

    // A column name longer than MySQL takes: the server refuses the table.
    StepResult result = steps.CreateTargetTable(QStringLiteral("T_LONG"), QStringLiteral("T_LONG"), {});
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, QStringLiteral("Identifier name '%1' is too long").arg(longName));
    EXPECT_EQ(host.clipboard,
              QStringLiteral("Create table `T_LONG` (\r\n`A` decimal(3,0) , \r\n`%1` decimal(3,0) , \r\n`B` DATETIME\r\n)")
                  .arg(longName));
    EXPECT_TRUE(mysqlColumns(QStringLiteral("T_LONG")).isEmpty());

    // No catalog rows: an empty column list.
    result = steps.CreateTargetTable(QStringLiteral("GONE"), QStringLiteral("GONE"), {});
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(host.clipboard, QStringLiteral("Create table `GONE` (\r\n)"));

    // An unknown character set.
    result = steps.CreateTargetTable(QStringLiteral("T_OK"), QStringLiteral("T_OK"), QStringLiteral("klingon"));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, QStringLiteral("Unknown character set: 'klingon'"));

    // The table exists already.
    ASSERT_TRUE(steps.CreateTargetTable(QStringLiteral("T_OK"), QStringLiteral("T_OK"), {}).ok);
    result = steps.CreateTargetTable(QStringLiteral("T_OK"), QStringLiteral("T_OK"), {});
    EXPECT_EQ(result.message, QStringLiteral("Table 'T_OK' already exists"));

    // A source that has no such table: no catalog rows, whatever the name holds.
    result = steps.CreateTargetTable(QStringLiteral("O'BRIEN"), QStringLiteral("O_BRIEN"), {});
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(host.clipboard, QStringLiteral("Create table `O_BRIEN` (\r\n)"));
}
