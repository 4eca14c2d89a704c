// The MySQL driver against the sandbox MariaDB: text in several connection
// character sets, the server's messages, value kinds and column metadata.

#include "data/DbConnection.h"
#include "data/Errors.h"
#include "data/SqlQuery.h"
#include "support/Failure.h"
#include "support/TestDatabase.h"

#include <limits>
#include <gtest/gtest.h>

using namespace qv;
using qv::test::TestDatabase;
using qv::test::failureOf;

namespace {

const QString chinese = QStringLiteral("中文字符");
const QString japanese = QStringLiteral("日本語");
const QString accented = QStringLiteral("Müller, Ærø, façade, €");
const QString emoji = QStringLiteral("smile 😀 ok");

QString utf8Hex(const QString& text) { return QString::fromLatin1(text.toUtf8().toHex().toUpper()); }

// A SQL literal; the texts here hold no quote or backslash.
QString literal(const QString& text) { return QLatin1Char('\'') + text + QLatin1Char('\''); }

class MySqlDriver : public ::testing::Test {
protected:
    // Every value of column `v` of table `t`, in id order, read on `connection`.
    QStringList readBack(DbConnection& connection, const QString& table = QStringLiteral("t"))
    {
        SqlQuery query(&connection);
        query.openQuery(QStringLiteral("select v from %1 order by id").arg(table));
        QStringList values;
        for (; !query.eof(); query.next())
            values << query.fieldValue(0).toText();
        return values;
    }

    // The stored values as UTF-8 hex, read by the administrative connection,
    // so that a fault that encodes and decodes alike cannot hide.
    QStringList storedHex(const QString& table = QStringLiteral("t"))
    {
        return db.column(
            QStringLiteral("select hex(convert(v using utf8mb4)) from %1.%2 order by id").arg(db.name(), table));
    }

    void createTable(const QString& columnCharset, const QString& table = QStringLiteral("t"))
    {
        db.exec(QStringLiteral("create table %1.%2 (id int auto_increment primary key, "
                               "v varchar(100) character set %3)")
                    .arg(db.name(), table, columnCharset));
    }

    TestDatabase db;
    DbConnection connection;
};

}  // namespace

TEST_F(MySqlDriver, TextArrivesIntactInEveryColumnTheConnectionCharsetCanServe)
{
    struct Case {
        const char* connectionCharset;
        const char* columnCharset;
        QStringList texts;
    };
    const Case cases[] = {
        {"utf8mb4", "utf8mb4", {chinese, japanese, accented, emoji}},
        {"utf8", "utf8mb3", {chinese, japanese, accented}},
        {"latin1", "utf8mb4", {accented, QStringLiteral("Müller €")}},
        {"latin1", "latin1", {accented}},
        {"gbk", "utf8mb4", {chinese, japanese, QStringLiteral("中文 and ASCII ~\\\\ mixed")}},
        {"gbk", "gbk", {chinese, japanese}},
        {"big5", "big5", {QStringLiteral("中文字符 繁體 許功蓋")}},
        {"sjis", "sjis", {japanese, QStringLiteral("ｶﾀｶﾅ カタカナ ソ表能")}},
        {"cp1251", "utf8mb4", {QStringLiteral("Привет, мир")}},
        {"ucs2", "ucs2", {chinese, accented}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.connectionCharset) + " connection, " + c.columnCharset + " column");
        db.exec(QStringLiteral("drop table if exists %1.t").arg(db.name()));
        createTable(QString::fromLatin1(c.columnCharset));
        db.connect(connection, QString::fromLatin1(c.connectionCharset));
        SqlQuery exec(&connection);
        QStringList expectedHex;
        for (const QString& text : c.texts) {
            exec.executeDirect(QStringLiteral("insert into t (v) values (%1)").arg(literal(text)));
            QString stored = text;
            stored.replace(QStringLiteral("\\\\"), QStringLiteral("\\"));  // the literal's escape
            expectedHex << utf8Hex(stored);
        }
        EXPECT_EQ(storedHex(), expectedHex);
        QStringList expected;
        for (const QString& hex : expectedHex)
            expected << QString::fromUtf8(QByteArray::fromHex(hex.toLatin1()));
        EXPECT_EQ(readBack(connection), expected);
    }
}

TEST_F(MySqlDriver, NamesAndMessagesAreDecodedInTheConnectionCharset)
{
    db.exec(QStringLiteral("create table %1.`表格` (`名前` varchar(10) character set utf8mb4)").arg(db.name()));
    db.exec(QStringLiteral("insert into %1.`表格` values ('値')").arg(db.name()));
    for (const char* charset : {"gbk", "utf8mb4", "sjis"}) {
        SCOPED_TRACE(charset);
        db.connect(connection, QString::fromLatin1(charset));
        SqlQuery query(&connection);
        query.openQuery(QStringLiteral("select `名前` from `表格`"));
        EXPECT_EQ(query.fieldName(0), QStringLiteral("名前"));
        EXPECT_EQ(query.fieldValue(QStringLiteral("名前")).toText(), QStringLiteral("値"));
        query.close();
        EXPECT_EQ(failureOf([&] { query.executeDirect(QStringLiteral("select * from `中文表`")); }),
                  QStringLiteral("Table '%1.中文表' doesn't exist").arg(db.name()));
        query.executeDirect(QStringLiteral("create table `新表_%1` (`列` int)").arg(QLatin1String(charset)));
    }
    EXPECT_EQ(db.column(QStringLiteral("select concat(table_name, '.', column_name) from information_schema.columns "
                                       "where table_schema = '%1' order by table_name, column_name")
                            .arg(db.name())),
              (QStringList{QStringLiteral("新表_gbk.列"), QStringLiteral("新表_sjis.列"), QStringLiteral("新表_utf8mb4.列"),
                           QStringLiteral("表格.名前")}));
}

TEST_F(MySqlDriver, CharactersTheConnectionCannotCarryAreRefusedAndNothingIsSent)
{
    createTable(QStringLiteral("utf8mb4"));
    struct Case {
        const char* charset;
        QString text;
        QString message;
    };
    const Case cases[] = {
        {"latin1", QStringLiteral("Müller 中"),
         QStringLiteral("The text contains characters that the connection character set latin1 cannot "
                        "represent: 中 (U+4E2D)")},
        {"gbk", QStringLiteral("中文 😀 ok"),
         QStringLiteral("The text contains characters that the connection character set gbk cannot "
                        "represent: 😀 (U+1F600)")},
        {"utf8", QStringLiteral("a😀b"),
         QStringLiteral("The text contains characters that the connection character set utf8mb3 cannot "
                        "represent: 😀 (U+1F600)")},
        {"ascii", QStringLiteral("façade"),
         QStringLiteral("The text contains characters that the connection character set ascii cannot "
                        "represent: ç (U+00E7)")},
        {"dec8", QStringLiteral("Ærø"),
         QStringLiteral("The text contains characters that the connection character set dec8 cannot "
                        "represent: Æ (U+00C6), ø (U+00F8)")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.charset);
        db.connect(connection, QString::fromLatin1(c.charset));
        SqlQuery exec(&connection);
        EXPECT_EQ(failureOf([&] { exec.executeDirect(QStringLiteral("insert into t (v) values ('%1')").arg(c.text)); }),
                  c.message);
        EXPECT_EQ(failureOf([&] { exec.openQuery(QStringLiteral("select '%1'").arg(c.text)); }), c.message);
        EXPECT_FALSE(exec.active());
        // The connection goes on working.
        exec.openQuery(QStringLiteral("select 'still here'"));
        EXPECT_EQ(exec.fieldValue(0).toText(), QStringLiteral("still here"));
    }
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from %1.t").arg(db.name())), QStringLiteral("0"));
}

TEST_F(MySqlDriver, TheServersMessagesArriveUnchanged)
{
    db.connect(connection);
    SqlQuery exec(&connection);
    EXPECT_EQ(failureOf([&] { exec.executeDirect(QStringLiteral("selec 1")); }),
              QStringLiteral("You have an error in your SQL syntax; check the manual that corresponds to your "
                             "MariaDB server version for the right syntax to use near 'selec 1' at line 1"));
    EXPECT_EQ(failureOf([&] { exec.openQuery(QStringLiteral("select * from nosuch")); }),
              QStringLiteral("Table '%1.nosuch' doesn't exist").arg(db.name()));
    EXPECT_FALSE(exec.active());

    // One statement per call: a second one is a syntax error, and the first
    // does not run either.
    createTable(QStringLiteral("utf8mb4"));
    const QString twoInserts = QStringLiteral("insert into t (v) values ('a'); insert into t (v) values ('b')");
    EXPECT_EQ(failureOf([&] { exec.executeDirect(twoInserts); }),
              QStringLiteral("You have an error in your SQL syntax; check the manual that corresponds to your "
                             "MariaDB server version for the right syntax to use near 'insert into t (v) values "
                             "('b')' at line 1"));
    EXPECT_NE(failureOf([&] { exec.openQuery(QStringLiteral("select 1; select 2")); }), QStringLiteral("(no failure)"));
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from %1.t").arg(db.name())), QStringLiteral("0"));
}

TEST_F(MySqlDriver, ALoginTheServerRefusesGivesItsMessageAndLeavesTheConnectionClosed)
{
    connection.describeAsMySql();
    connection.Params = db.params();
    connection.Params.replaceInStrings(QStringLiteral("Password=qvtest"), QStringLiteral("Password=wrong"));
    EXPECT_EQ(failureOf([&] { connection.open(); }),
              QStringLiteral("Access denied for user 'qvtest'@'127.0.0.1' (using password: YES)"));
    EXPECT_FALSE(connection.connected());

    connection.Params = db.params(QStringLiteral("latin1"));
    connection.Params.replaceInStrings(QStringLiteral("Database=") + db.name(), QStringLiteral("Database=nosuchdb"));
    EXPECT_EQ(failureOf([&] { connection.open(); }), QStringLiteral("Unknown database 'nosuchdb'"));
    EXPECT_FALSE(connection.connected());

    connection.Params = db.params(QStringLiteral("nosuchcharset"));
    EXPECT_TRUE(failureOf([&] { connection.open(); })
                    .startsWith(QStringLiteral("Can't initialize character set nosuchcharset")));
    EXPECT_FALSE(connection.connected());

    // The same description without the faults opens.
    connection.Params = db.params(QStringLiteral("latin1"));
    connection.open();
    EXPECT_TRUE(connection.connected());
    EXPECT_EQ(connection.quoteChar(), QStringLiteral("`"));
    EXPECT_TRUE(connection.transactionsSupported());
}

TEST_F(MySqlDriver, WithoutServerCharSetTheLibraryDefaultCarriesEveryCharacter)
{
    createTable(QStringLiteral("utf8mb4"));
    db.connect(connection);  // no ServerCharSet line
    SqlQuery exec(&connection);
    exec.openQuery(QStringLiteral("select @@character_set_client, @@character_set_results"));
    EXPECT_EQ(exec.fieldValue(0).toText(), QStringLiteral("utf8mb4"));
    EXPECT_EQ(exec.fieldValue(1).toText(), QStringLiteral("utf8mb4"));
    exec.executeDirect(QStringLiteral("insert into t (v) values (%1)").arg(literal(chinese + emoji)));
    EXPECT_EQ(storedHex(), QStringList{utf8Hex(chinese + emoji)});
    EXPECT_EQ(readBack(connection), QStringList{chinese + emoji});
}

TEST_F(MySqlDriver, TheConnectionUsesTheCharsetAskedFor)
{
    for (const char* charset : {"latin1", "gbk", "cp1250", "sjis", "utf8"}) {
        SCOPED_TRACE(charset);
        db.connect(connection, QString::fromLatin1(charset));
        SqlQuery query(&connection);
        query.openQuery(
            QStringLiteral("select @@character_set_client, @@character_set_connection, @@character_set_results"));
        const QString expected = QString::fromLatin1(charset) == QLatin1String("utf8") ? QStringLiteral("utf8mb3")
                                                                                      : QString::fromLatin1(charset);
        EXPECT_EQ(query.fieldValue(0).toText(), expected);
        EXPECT_EQ(query.fieldValue(1).toText(), expected);
        EXPECT_EQ(query.fieldValue(2).toText(), expected);
    }
}

TEST_F(MySqlDriver, ValuesArriveInTheirKinds)
{
    db.exec(QStringLiteral(
                "create table %1.k (id int primary key, i int, ub bigint unsigned, sb bigint, d decimal(38,10), "
                "f double, fl float, dt datetime(6), da date, ts timestamp null, tm time, y year, b blob, "
                "vb varbinary(10), bi bit(12), c char(3), e enum('x','y'), j json, n varchar(5))")
                .arg(db.name()));
    QByteArray allBytes;
    for (int i = 0; i < 256; ++i)
        allBytes.append(static_cast<char>(i));
    db.exec(QStringLiteral("insert into %1.k values (1, -2147483648, 18446744073709551615, -9223372036854775808, "
                           "1234567890123456789012345678.0123456789, 0.1, 1.5, '2024-02-29 23:59:58.123456', "
                           "'1999-12-31', '2001-02-03 04:05:06', '-838:59:59', 2155, X'%2', X'00410042', "
                           "b'101000000011', 'ab', 'y', "
                           "'{\"k\": [1, 2]}', NULL)")
                .arg(db.name(), QString::fromLatin1(allBytes.toHex())));
    db.exec(QStringLiteral("insert into %1.k (id, ub, d, dt, da, ts, y) values (2, 9223372036854775807, -0.0000000001, "
                           "'0000-00-00 00:00:00', '0000-00-00', '0000-00-00 00:00:00', 0)")
                .arg(db.name()));
    db.connect(connection, QStringLiteral("latin1"));
    SqlQuery query(&connection);
    query.openQuery(QStringLiteral("select * from k order by id"));
    auto value = [&](const char* name) { return query.fieldValue(QString::fromLatin1(name)); };

    EXPECT_EQ(value("i"), DbValue::fromInteger(-2147483648LL));
    EXPECT_EQ(value("ub"), DbValue::fromDecimal(Decimal::parse(QStringLiteral("18446744073709551615"))));
    EXPECT_EQ(value("sb"), DbValue::fromInteger(std::numeric_limits<qint64>::min()));
    const QString digits = QStringLiteral("1234567890123456789012345678.0123456789");
    EXPECT_EQ(value("d"), DbValue::fromDecimal(Decimal::parse(digits)));
    EXPECT_EQ(value("d").toDecimal().scale, 10);
    EXPECT_EQ(value("f"), DbValue::fromFloat(0.1));
    EXPECT_EQ(value("fl"), DbValue::fromFloat(1.5));
    EXPECT_EQ(value("dt"), DbValue::fromDateTime(DateTime{2024, 2, 29, 23, 59, 58, 123456000}));
    EXPECT_EQ(value("da"), DbValue::fromDateTime(DateTime{1999, 12, 31, 0, 0, 0, 0}));
    EXPECT_EQ(value("ts"), DbValue::fromDateTime(DateTime{2001, 2, 3, 4, 5, 6, 0}));
    EXPECT_EQ(value("tm"), DbValue::fromText(QStringLiteral("-838:59:59")));
    EXPECT_EQ(value("y"), DbValue::fromInteger(2155));
    EXPECT_EQ(value("b"), DbValue::fromBytes(allBytes));
    EXPECT_EQ(value("vb"), DbValue::fromBytes(QByteArray("\0A\0B", 4)));
    EXPECT_EQ(value("bi"), DbValue::fromBytes(QByteArray("\x0a\x03", 2)));
    EXPECT_EQ(value("c"), DbValue::fromText(QStringLiteral("ab")));
    EXPECT_EQ(value("e"), DbValue::fromText(QStringLiteral("y")));
    EXPECT_EQ(value("j"), DbValue::fromText(QStringLiteral("{\"k\": [1, 2]}")));
    EXPECT_TRUE(value("n").isNull());

    query.next();
    ASSERT_FALSE(query.eof());
    EXPECT_EQ(value("ub"), DbValue::fromInteger(std::numeric_limits<qint64>::max()));
    EXPECT_EQ(value("d").toDecimal().toString(), QStringLiteral("-0.0000000001"));
    EXPECT_EQ(value("dt"), DbValue::fromDateTime(DateTime{}));
    EXPECT_EQ(value("dt").toText(), QStringLiteral("0000-00-00 00:00:00"));
    EXPECT_EQ(value("da"), DbValue::fromDateTime(DateTime{}));
    EXPECT_EQ(value("ts"), DbValue::fromDateTime(DateTime{}));
    EXPECT_EQ(value("y"), DbValue::fromInteger(0));
    for (const char* name : {"i", "sb", "f", "b", "bi", "j", "n"})
        EXPECT_TRUE(value(name).isNull()) << name;
    query.next();
    EXPECT_TRUE(query.eof());
}

TEST_F(MySqlDriver, ColumnsReportTheirKindSizeNullabilityAndAutoIncrement)
{
    db.exec(QStringLiteral("create table %1.m (id bigint not null auto_increment primary key, "
                           "name varchar(20) character set utf8mb4 not null, note varchar(20) character set latin1, "
                           "amount decimal(12,2), data varbinary(16), txt text character set utf8mb4, img longblob, "
                           "stamp datetime)")
                .arg(db.name()));
    db.connect(connection, QStringLiteral("latin1"));
    SqlQuery query(&connection);
    query.openQuery(QStringLiteral("select * from m"));
    EXPECT_TRUE(query.eof());
    ASSERT_EQ(query.fieldCount(), 8);
    struct Expected {
        const char* name;
        ValueKind kind;
        int size;
        bool nullable;
        bool autoIncrement;
    };
    const Expected expected[] = {
        {"id", ValueKind::Integer, 20, false, true},   {"name", ValueKind::Text, 20, false, false},
        {"note", ValueKind::Text, 20, true, false},    {"amount", ValueKind::Decimal, 14, true, false},
        {"data", ValueKind::Bytes, 16, true, false},   {"txt", ValueKind::Text, 65535, true, false},
        {"img", ValueKind::Bytes, 2147483647, true, false},    {"stamp", ValueKind::DateTime, 19, true, false},
    };
    for (int i = 0; i < 8; ++i) {
        const ColumnInfo& column = query.column(i);
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(column.name, QString::fromLatin1(expected[i].name));
        EXPECT_EQ(column.type, expected[i].kind);
        EXPECT_EQ(column.size, expected[i].size);
        EXPECT_EQ(column.nullable, expected[i].nullable);
        EXPECT_EQ(column.autoIncrement, expected[i].autoIncrement);
        EXPECT_FALSE(column.readOnly);
    }
}

TEST_F(MySqlDriver, AStatementOnAConnectionTheServerDroppedFailsWithTheLibrarysMessage)
{
    db.connect(connection, QStringLiteral("latin1"));
    SqlQuery query(&connection);
    query.openQuery(QStringLiteral("select connection_id()"));
    const QString id = query.fieldValue(0).toText();
    query.close();
    db.exec(QStringLiteral("kill connection %1").arg(id));
    const QString message = failureOf([&] { query.executeDirect(QStringLiteral("select 1")); });
    EXPECT_TRUE(message.contains(QStringLiteral("server has gone away"), Qt::CaseInsensitive)
                || message.contains(QStringLiteral("Lost connection"), Qt::CaseInsensitive)
                || message.contains(QStringLiteral("Connection was killed"), Qt::CaseInsensitive))
        << message.toStdString();
}

TEST_F(MySqlDriver, RowsAreReadForwardAndAnAbandonedResultDoesNotBlockTheConnection)
{
    db.exec(QStringLiteral("create table %1.r (id int primary key)").arg(db.name()));
    QStringList rows;
    for (int i = 1; i <= 500; ++i)
        rows << QStringLiteral("(%1)").arg(i);
    db.exec(QStringLiteral("insert into %1.r values %2").arg(db.name(), rows.join(QLatin1Char(','))));
    db.connect(connection);
    SqlQuery reader(&connection);
    reader.openQuery(QStringLiteral("select id from r order by id"));
    EXPECT_EQ(reader.fieldValue(0).toInteger(), 1);
    reader.next();
    EXPECT_EQ(reader.fieldValue(0).toInteger(), 2);
    // Closing in the middle leaves the connection ready for the next statement.
    reader.close();
    SqlQuery other(&connection);
    // A statement with a result through executeDirect: the rows are dropped.
    other.executeDirect(QStringLiteral("select id from r"));
    other.openQuery(QStringLiteral("select count(*) from r"));
    EXPECT_EQ(other.fieldValue(0).toInteger(), 500);
    other.close();

    // A statement without a result through openQuery: no columns, eof at once.
    reader.openQuery(QStringLiteral("update r set id = id + 1000 where id = 500"));
    EXPECT_TRUE(reader.eof());
    EXPECT_EQ(reader.fieldCount(), 0);
    EXPECT_EQ(db.scalar(QStringLiteral("select max(id) from %1.r").arg(db.name())), QStringLiteral("1500"));

    // A connection closed while a result is half read.
    reader.openQuery(QStringLiteral("select id from r"));
    connection.close();
    EXPECT_FALSE(reader.active());
    db.connect(connection);
    reader.openQuery(QStringLiteral("select count(*) from r"));
    EXPECT_EQ(reader.fieldValue(0).toInteger(), 500);
}
