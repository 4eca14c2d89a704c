// Every Oracle type a column can have, through whole runs into the sandbox:
// the MySQL column each gets and what arrives in it, from the schema file and
// through the Oracle client library alike.

#include "support/ConversionFixture.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace {

// Long numbers are blobs: SQLite would keep them as doubles.
const char* const everyTypeSql = R"sql(
create table T (ID NUMBER(5), F FLOAT, R REAL, DP "DOUBLE PRECISION", NC NCHAR(3), RI ROWID, URI "UROWID(100)",
  TS0 "TIMESTAMP(0)", TS3 "TIMESTAMP(3)", TS9 "TIMESTAMP(9)", TS3TZ "TIMESTAMP(3) WITH TIME ZONE",
  IYM "INTERVAL YEAR(4) TO MONTH", IDS "INTERVAL DAY(3) TO SECOND(9)", NEG "NUMBER(5,-2)", SMALL "NUMBER(2,5)",
  WHOLE NUMBER, FRAC NUMBER, HUGE NUMBER, BD BINARY_DOUBLE, LR "LONG RAW", X XMLTYPE, G SDO_GEOMETRY);
insert into T values (1, 1.5, 2.25, 3.125, 'ab', 'AAAR3sAAEAAAACXAAA', 'AAAR3sAAEAAAACXAAB',
  '2024-01-02 03:04:05', '2024-01-02 03:04:05.123', '2024-01-02 03:04:05.123456', '2024-01-02 03:04:05.123 +02:00',
  '+0012-03', '+123 04:05:06.123456789', 1234500, 0.00012, -922337203685477580, 53395.37,
  cast('12345678901234567890123' as blob), -1.7976931348623157e+308, x'c3a9ff00', '<a>é 中文</a>', 'SRID=4326;POINT(1 2)');
insert into T (ID, BD, WHOLE, FRAC, G) values (2, 6.666666666666667e-06, 42, '-0.5',
  'SRID=8307;POLYGON((0 0,1 0,1 1,0 0))');
insert into T (ID, F, BD) values (3, 1e-129, 5e-324);
)sql";

const QStringList everyTypeColumns{
    "ID decimal(5,0)",   "F double",           "R double",          "DP double",        "NC varchar(6)",
    "RI varchar(18)",    "URI varchar(100)",   "TS0 datetime",      "TS3 datetime(3)",  "TS9 datetime(6)",
    "TS3TZ datetime(3)", "IYM varchar(20)",    "IDS varchar(23)",   "NEG decimal(7,0)", "SMALL decimal(5,5)",
    "WHOLE bigint(22)",  "FRAC decimal(38,2)", "HUGE decimal(38,0)", "BD varchar(24)",  "LR mediumblob",
    "X longtext",        "G geometry"};

}  // namespace

class TypeHomes : public ConversionFixture {
protected:
    QStringList columnTypes(const QString& table)
    {
        return db.column(QStringLiteral("select concat(column_name, ' ', column_type) from information_schema.columns "
                                        "where table_schema = database() and table_name = '%1' order by ordinal_position")
                             .arg(table));
    }
    // Every value of T as text; binary and geometry columns as hex.
    QStringList values()
    {
        return db.column(QStringLiteral(
            "select concat_ws('|', ID, F, R, DP, concat('[', NC, ']'), RI, URI, TS0, TS3, TS9, TS3TZ, IYM, IDS, NEG, "
            "SMALL, WHOLE, FRAC, HUGE, BD, hex(LR), X, st_srid(G), st_astext(G)) from T order by ID"));
    }
    // Drops what the last run made, so the next one starts afresh.
    void dropTables(const QStringList& tables)
    {
        for (const QString& table : tables)
            db.exec(QStringLiteral("drop table if exists `%1`").arg(table));
        host.lines.clear();
    }
};

TEST_F(TypeHomes, EveryTypeArrivesWholeFromTheFileAndThroughTheClient)
{
    connect(QString::fromUtf8(everyTypeSql));
    const ConversionSettings settings;
    const QStringList expectedValues{
        "1|1.5|2.25|3.125|[ab ]|AAAR3sAAEAAAACXAAA|AAAR3sAAEAAAACXAAB|2024-01-02 03:04:05|2024-01-02 03:04:05.123|"
        "2024-01-02 03:04:05.123456|2024-01-02 03:04:05.123|+0012-03|+123 04:05:06.123456789|1234500|0.00012|"
        "-922337203685477580|53395.37|12345678901234567890123|-1.7976931348623157e+308|C3A9FF00|<a>é 中文</a>|4326|"
        "POINT(1 2)",
        "2|42|-0.50|6.666666666666667e-06|8307|POLYGON((0 0,1 0,1 1,0 0))", "3|1e-129|5e-324"};
    for (const bool throughClient : {false, true}) {
        SCOPED_TRACE(throughClient ? "through the client" : "from the file");
        if (throughClient) {
            dropTables({QStringLiteral("T")});
            reconnectSourceThroughClient();
        }
        EXPECT_EQ(run({QStringLiteral("T")}, settings).tablesWithFailures, 0) << host.lines.join('\n').toStdString();
        EXPECT_EQ(columnTypes(QStringLiteral("T")), everyTypeColumns);
        EXPECT_EQ(values(), expectedValues);
        EXPECT_EQ(host.lines.mid(0, 4),
                  (QStringList{"Create table T...Done", "Column FRAC of T holds fractions: decimal(38,2)",
                               "Column HUGE of T holds whole numbers beyond a bigint: decimal(38,0)", ""}));
    }
}

TEST_F(TypeHomes, AValueTheColumnCannotHoldIsRefusedUnlessRoundingIsAsked)
{
    // Nanoseconds in a DATETIME(6), 38 digits in a double.
    connect(QStringLiteral(
        "create table N (ID NUMBER(3), TS9 \"TIMESTAMP(9)\", F FLOAT);"
        "insert into N values (1, '2024-01-02 03:04:05.5', 0.5), (2, '2024-01-02 03:04:05.123456789', 0.25),"
        "  (3, '2024-01-02 03:04:05.9999999', cast('1.2345678901234567890123456789012345678' as blob));"));
    ConversionSettings settings;
    EXPECT_EQ(run({QStringLiteral("N")}, settings).tablesWithFailures, 1);
    EXPECT_TRUE(host.lines.contains(QStringLiteral(
        "Value '2024-01-02 03:04:05.123456789' of column TS9 in row 2 cannot be stored in the target column without "
        "loss")))
        << host.lines.join('\n').toStdString();
    EXPECT_TRUE(host.lines.contains(QStringLiteral("Rows kept in N: 0")));

    dropTables({QStringLiteral("N")});
    settings.roundValues = true;
    EXPECT_EQ(run({QStringLiteral("N")}, settings).tablesWithFailures, 0);
    EXPECT_EQ(db.column(QStringLiteral("select concat_ws('|', ID, TS9, F) from N order by ID")),
              (QStringList{"1|2024-01-02 03:04:05.500000|0.5", "2|2024-01-02 03:04:05.123457|0.25",
                           "3|2024-01-02 03:04:06.000000|1.2345678901234567"}));
    EXPECT_TRUE(host.lines.contains(QStringLiteral("Rounded 2 values of column TS9 of N to the target column")));
    EXPECT_TRUE(host.lines.contains(QStringLiteral("Rounded 1 value of column F of N to the target column")))
        << host.lines.join('\n').toStdString();
}

TEST_F(TypeHomes, LongRawArrivesAsItsBytesUnderEveryCharacterSet)
{
    for (const char* characterSet : {"utf8", "latin1"}) {
        SCOPED_TRACE(characterSet);
        dropTables({QStringLiteral("LR")});
        connect(QStringLiteral("create table LR (ID NUMBER(3), B \"LONG RAW\"); insert into LR values (1, x'c3a9ff00');"),
                QString::fromLatin1(characterSet));
        EXPECT_EQ(run({QStringLiteral("LR")}, ConversionSettings{}).tablesWithFailures, 0);
        EXPECT_EQ(db.scalar(QStringLiteral("select hex(B) from LR")), QStringLiteral("C3A9FF00"));
    }
}

TEST_F(TypeHomes, ColumnsWithoutAHomeAreLeftOutAndNamed)
{
    connect(QStringLiteral(
        "create table CUSTOMERS (ID NUMBER(5), ADDR CUST_ADDRESS_TYP, PHONES PHONE_LIST_TYP, NAME VARCHAR2(20));"
        "insert into CUSTOMERS values (1, 'x', 'y', 'Ann');"
        "create table ONLYOBJ (A CUST_ADDRESS_TYP);"));
    const QStringList tables{QStringLiteral("CUSTOMERS"), QStringLiteral("ONLYOBJ")};
    for (const bool throughClient : {false, true}) {
        SCOPED_TRACE(throughClient ? "through the client" : "from the file");
        if (throughClient) {
            dropTables(tables);
            reconnectSourceThroughClient();
        }
        // A table without some of its columns is not whole: both count as failed.
        EXPECT_EQ(run(tables, definitionsOnlySettings()).tablesWithFailures, 2);
        EXPECT_EQ(host.lines.mid(0, 7),
                  (QStringList{"Create table CUSTOMERS...Done",
                               "Columns not copied to CUSTOMERS: ADDR (CUST_ADDRESS_TYP), PHONES (PHONE_LIST_TYP)", "",
                               "Create table ONLYOBJ... ", "No column of ONLYOBJ has a MySQL type: A (CUST_ADDRESS_TYP)",
                               "", "Conversion is Completed"}))
            << host.lines.join('\n').toStdString();
        EXPECT_EQ(columnTypes(QStringLiteral("CUSTOMERS")), (QStringList{"ID decimal(5,0)", "NAME varchar(20)"}));
    }
    // Rows arrive in the columns that have a home.
    dropTables(tables);
    ConversionSettings settings = definitionsOnlySettings();
    settings.tableDefinitionsOnly = false;
    run({QStringLiteral("CUSTOMERS")}, settings);
    EXPECT_EQ(db.column(QStringLiteral("select concat_ws('|', ID, NAME) from CUSTOMERS")), QStringList{"1|Ann"});
}
