// Row values of a schema file, typed by each column's declared Oracle type,
// and the ways opening and reading it fail.

#include "data/DbConnection.h"
#include "data/DbValue.h"
#include "data/Errors.h"
#include "data/SqlQuery.h"
#include "support/Failure.h"
#include "support/SchemaFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using qv::test::OracleSource;
using qv::test::failureOf;

qv::DateTime dateTime(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ns = 0)
{
    qv::DateTime t;
    t.year = y, t.month = mo, t.day = d, t.hour = h, t.minute = mi, t.second = s, t.nanosecond = ns;
    return t;
}

const char* const allKinds = R"sql(
create table T (
  ID integer, BIG number, AMOUNT number(10,2), SCALED number(10,4), RATIO float,
  D date, TS timestamp(6), TSZ "TIMESTAMP(6) WITH TIME ZONE",
  C char(5), NC nchar(4), V varchar2(20), NV nvarchar2(10), CL clob, L long,
  B blob, R raw(4), LR long raw,
  BD binary_double, BF binary_float,
  YM "INTERVAL YEAR(2) TO MONTH", DS "INTERVAL DAY(2) TO SECOND(6)", RID rowid,
  UDT sdo_geometry);
insert into T values (
  7, cast('12345678901234567890123456789012345678' as blob), 1234.56, cast('-123.4500' as blob), 0.1,
  '2024-02-29', '2024-02-29 13:45:07.123456', '1999-12-31 23:59:59.5 +02:00',
  'ab', '日本', '漢字かな  ', 'ñandú', 'a long text', 'long',
  x'00ff10', x'deadbeef', x'0102',
  2.5, 0.25,
  '+01-06', '+02 03:04:05.000000', 'AAAR3sAAEAAAACXAAA',
  'shape');
insert into T (ID) values (8);
)sql";

TEST(SchemaFileValues, EachDeclaredTypeGivesItsValueKind)
{
    OracleSource source(allKinds);
    qv::SqlQuery q(&source.connection);
    q.openQuery("select * from T");
    ASSERT_FALSE(q.eof());

    // Numbers arrive as exact decimals, whatever SQLite stored.
    EXPECT_EQ(q.fieldValue("id").kind(), qv::ValueKind::Decimal);
    EXPECT_EQ(q.fieldValue("id").toDecimal().toString(), "7");
    EXPECT_EQ(q.fieldValue("big").kind(), qv::ValueKind::Decimal);
    EXPECT_EQ(q.fieldValue("big").toDecimal().toString(), "12345678901234567890123456789012345678");
    EXPECT_EQ(q.fieldValue("amount").toDecimal().toString(), "1234.56");
    EXPECT_EQ(q.fieldValue("scaled").toDecimal().toString(), "-123.4500");
    EXPECT_EQ(q.fieldValue("scaled").toDecimal().scale, 4);
    EXPECT_EQ(q.fieldValue("ratio").kind(), qv::ValueKind::Decimal);
    EXPECT_EQ(q.fieldValue("ratio").toDecimal().toString(), "0.1");

    EXPECT_EQ(q.fieldValue("d").kind(), qv::ValueKind::DateTime);
    EXPECT_EQ(q.fieldValue("d").toDateTime(), dateTime(2024, 2, 29));
    EXPECT_EQ(q.fieldValue("ts").toDateTime(), dateTime(2024, 2, 29, 13, 45, 7, 123456000));
    EXPECT_EQ(q.fieldValue("tsz").toDateTime(), dateTime(1999, 12, 31, 23, 59, 59, 500000000));

    EXPECT_EQ(q.fieldValue("c").kind(), qv::ValueKind::Text);
    EXPECT_EQ(q.fieldValue("c").toText(), "ab   ");
    EXPECT_EQ(q.fieldValue("nc").toText(), QStringLiteral("日本  "));
    EXPECT_EQ(q.fieldValue("v").toText(), QStringLiteral("漢字かな  "));
    EXPECT_EQ(q.fieldValue("nv").toText(), QStringLiteral("ñandú"));
    EXPECT_EQ(q.fieldValue("cl").toText(), "a long text");
    EXPECT_EQ(q.fieldValue("l").toText(), "long");
    EXPECT_EQ(q.fieldValue("ym").toText(), "+01-06");
    EXPECT_EQ(q.fieldValue("ds").toText(), "+02 03:04:05.000000");
    EXPECT_EQ(q.fieldValue("rid").toText(), "AAAR3sAAEAAAACXAAA");
    EXPECT_EQ(q.fieldValue("ds").kind(), qv::ValueKind::Text);

    EXPECT_EQ(q.fieldValue("b").kind(), qv::ValueKind::Bytes);
    EXPECT_EQ(q.fieldValue("b").toBytes(), QByteArray("\x00\xff\x10", 3));
    EXPECT_EQ(q.fieldValue("r").toBytes(), QByteArray("\xde\xad\xbe\xef", 4));
    EXPECT_EQ(q.fieldValue("lr").toBytes(), QByteArray("\x01\x02", 2));

    EXPECT_EQ(q.fieldValue("bd").kind(), qv::ValueKind::Float);
    EXPECT_EQ(q.fieldValue("bd").toFloat(), 2.5);
    EXPECT_EQ(q.fieldValue("bf").kind(), qv::ValueKind::Float);
    EXPECT_EQ(q.fieldValue("bf").toFloat(), 0.25);

    // A type that is not Oracle's own is read by SQLite's storage class.
    EXPECT_EQ(q.fieldValue("udt").kind(), qv::ValueKind::Text);

    q.next();
    ASSERT_FALSE(q.eof());
    for (int i = 1; i < q.fieldCount(); ++i)
        EXPECT_TRUE(q.fieldValue(i).isNull()) << q.fieldName(i).toStdString();
    q.next();
    EXPECT_TRUE(q.eof());
}

TEST(SchemaFileValues, FixedLengthCharactersArePaddedByCharacters)
{
    OracleSource source(
        "create table T (K integer, C char(4), NC nchar(3), ONE char);"
        "insert into T values (1, 'a😀', 'ü', 'x');"   // a character outside the BMP counts once
        "insert into T values (2, 'ab  ', '', '');"
        "insert into T values (3, 'abcdef', 'wxyz', 'yz');");  // longer text is left as it is
    qv::SqlQuery q(&source.connection);
    q.openQuery("select C, NC, ONE from T order by K");
    QStringList rows;
    for (; !q.eof(); q.next())
        rows << "[" + q.fieldText(0) + "|" + q.fieldText(1) + "|" + q.fieldText(2) + "]";
    EXPECT_EQ(rows, QStringList({QStringLiteral("[a😀  |ü  |x]"), "[ab  |   | ]", "[abcdef|wxyz|yz]"}));
}

TEST(SchemaFileValues, NumbersStayExactWhateverSQLiteStored)
{
    OracleSource source(
        "create table T (K integer, N number);"
        "insert into T values (1, 9223372036854775807);"
        "insert into T values (2, -0.000123);"
        "insert into T values (3, 1e20);"
        "insert into T values (4, cast('-99999999999999999999999999999999999999' as blob));"
        "insert into T values (5, cast('0.10' as blob));");
    qv::SqlQuery q(&source.connection);
    q.openQuery("select N from T order by K");
    QStringList values;
    for (; !q.eof(); q.next())
        values << q.fieldValue(0).toDecimal().toString();
    EXPECT_EQ(values, QStringList({"9223372036854775807", "-0.000123", "100000000000000000000",
                                   "-99999999999999999999999999999999999999", "0.10"}));
}

TEST(SchemaFileValues, ExpressionColumnsAreTypedByStorageClass)
{
    OracleSource source("create table T (N number); insert into T values (5);");
    qv::SqlQuery q(&source.connection);
    q.openQuery("select count(*) as CNT, 1.5 as HALF, 'x' as TXT, x'01' as BIN, null as NIL, N from T");
    EXPECT_EQ(q.fieldValue("cnt"), qv::DbValue::fromInteger(1));
    EXPECT_EQ(q.column(0).type, qv::ValueKind::Integer);
    EXPECT_EQ(q.fieldValue("half"), qv::DbValue::fromFloat(1.5));
    EXPECT_EQ(q.fieldValue("txt"), qv::DbValue::fromText("x"));
    EXPECT_EQ(q.fieldValue("bin"), qv::DbValue::fromBytes(QByteArray("\x01", 1)));
    EXPECT_TRUE(q.fieldValue("nil").isNull());
    EXPECT_EQ(q.fieldValue("n").kind(), qv::ValueKind::Decimal);
}

TEST(SchemaFileValues, StoredValuesThatDoNotFitTheirTypeAreErrorsNamingTheirPlace)
{
    OracleSource source(
        "create table PRICES (ITEM varchar2(10), AMOUNT number(8,2), SINCE date, PIC blob, W binary_double);"
        "insert into PRICES values ('ok', 1, '2020-01-01', x'00', 1);"
        "insert into PRICES values ('bad', 'abc', '2020-01-01', x'00', 1);"
        "create table STAMPS (K integer, TAKEN timestamp);"
        "insert into STAMPS values (1, 'yesterday');"
        "insert into STAMPS values (2, 20240101);"
        "create table MISC (K integer, NUM number, PIC blob, W binary_double);"
        "insert into MISC values (1, cast('12x' as blob), null, null);"
        "insert into MISC values (2, null, 42, null);"
        "insert into MISC values (3, null, null, 'many');");
    qv::SqlQuery q(&source.connection);

    q.openQuery("select * from PRICES");
    EXPECT_EQ(q.fieldValue("amount").toDecimal().toString(), "1");
    QString message = failureOf([&] { q.next(); });
    EXPECT_TRUE(message.contains("PRICES")) << message.toStdString();
    EXPECT_TRUE(message.contains("AMOUNT")) << message.toStdString();
    EXPECT_TRUE(message.contains("row 2")) << message.toStdString();
    EXPECT_TRUE(message.contains("abc")) << message.toStdString();

    // The failing row is the first one: openQuery itself fails.
    message = failureOf([&] { q.openQuery("select TAKEN from STAMPS order by K"); });
    EXPECT_TRUE(message.contains("STAMPS") && message.contains("TAKEN") && message.contains("row 1") &&
                message.contains("yesterday"))
        << message.toStdString();

    // A date kept as a number is not ISO text.
    message = failureOf([&] { q.openQuery("select TAKEN from STAMPS where K = 2"); });
    EXPECT_TRUE(message.contains("20240101")) << message.toStdString();

    for (const char* column : {"NUM", "PIC", "W"}) {
        SCOPED_TRACE(column);
        message = failureOf([&] {
            q.openQuery(QStringLiteral("select %1 from MISC order by K").arg(column));
            for (; !q.eof(); q.next()) {
            }
        });
        EXPECT_TRUE(message.contains("MISC") && message.contains(column)) << message.toStdString();
    }
}

TEST(SchemaFileValues, RefusedQueriesGiveSQLitesMessage)
{
    OracleSource source("create table T (A number);");
    qv::SqlQuery q(&source.connection);
    EXPECT_TRUE(failureOf([&] { q.openQuery("select * from NOSUCH"); }).contains("no such table: NOSUCH"));
    EXPECT_FALSE(q.active());
    EXPECT_TRUE(failureOf([&] { q.openQuery("selct * from T"); }).contains("syntax error"));
}

TEST(SchemaFileValues, TheFileIsNeverWritten)
{
    OracleSource source("create table T (A number); insert into T values (1);");
    QFile file(source.file.path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    qv::SqlQuery q(&source.connection);
    for (const char* statement : {"insert into T values (2)", "delete from T", "drop table T",
                                  "create table U (B number)", "create temp table U (B number)",
                                  "drop table user_tables"}) {
        SCOPED_TRACE(statement);
        const QString message = failureOf([&] { q.executeDirect(statement); });
        EXPECT_TRUE(message.contains("readonly")) << message.toStdString();
    }
    // The dictionary still answers, and T still holds its one row.
    q.openQuery("select  table_name   from   user_tables order by table_name");
    EXPECT_EQ(q.fieldText(0), "T");
    q.openQuery("select * from T");
    q.next();
    EXPECT_TRUE(q.eof());
    q.close();
    source.connection.close();

    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
}

TEST(SchemaFileValues, OpeningFailsWithoutCreatingAFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString missing = dir.filePath("missing.sqlite");
    qv::DbConnection connection;
    connection.describeAsOracle();
    connection.Params = {"Database=sqlite:" + missing, "User_Name=scott", "Password=tiger"};
    const QString message = failureOf([&] { connection.open(); });
    EXPECT_TRUE(message.contains(missing)) << message.toStdString();
    EXPECT_FALSE(connection.connected());
    EXPECT_FALSE(QFile::exists(missing));

    // A file that is not SQLite's is refused with the path named.
    const QString notDatabase = dir.filePath("text.sqlite");
    QFile text(notDatabase);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write(QByteArray(4096, 'x'));
    text.close();
    connection.Params = {"Database=sqlite:" + notDatabase, "User_Name=scott", "Password=tiger"};
    const QString second = failureOf([&] { connection.open(); });
    EXPECT_TRUE(second.contains(notDatabase)) << second.toStdString();
    EXPECT_FALSE(connection.connected());
}

}  // namespace
