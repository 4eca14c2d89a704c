// Values written through BufferedDataSet's prepared INSERTs arrive exactly:
// every kind, text in several connection character sets, large LOBs.

#include "data/BufferedDataSet.h"
#include "data/DbConnection.h"
#include "data/Errors.h"
#include "data/SqlQuery.h"
#include "data/drivers/MySqlCharset.h"
#include "support/Failure.h"
#include "support/TestDatabase.h"

#include <QCryptographicHash>
#include <gtest/gtest.h>

#include <limits>

using namespace qv;
using qv::test::TestDatabase;
using qv::test::failureOf;

namespace {

const QString mixedText = QStringLiteral("Größe, naïve café — 中文字符 日本語 😀🎉");

class InsertValues : public ::testing::Test {
protected:
    void SetUp() override
    {
        data.onReconcileError = [this](const QString& message) { refused << message; };
    }

    void openOn(const QString& table, const QString& charset = QStringLiteral("utf8mb4"))
    {
        data.close();
        db.connect(connection, charset);
        data.setCommandText(QStringLiteral("select * from ") + table + QStringLiteral(" where 1=0"));
        data.open();
    }

    // The columns of the rows of `select`, read back through this connection.
    QVector<Row> readBack(const QString& select)
    {
        SqlQuery query(&connection);
        query.openQuery(select);
        QVector<Row> rows;
        for (; !query.eof(); query.next()) {
            Row row;
            for (int i = 0; i < query.fieldCount(); ++i)
                row << query.fieldValue(i);
            rows << row;
        }
        return rows;
    }

    static QString md5(const QByteArray& bytes)
    {
        return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
    }

    TestDatabase db;
    DbConnection connection;
    BufferedDataSet data{&connection};
    QStringList refused;
};

DateTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ns = 0)
{
    return DateTime{y, mo, d, h, mi, s, ns};
}

}  // namespace

TEST_F(InsertValues, EveryKindArrivesExactlyAndNullOverridesEveryDefault)
{
    db.exec(QStringLiteral(
        "create table T (ID int primary key, I bigint default 1, D decimal(38,10) default 1, F double default 1, "
        "DT datetime(6) default '2000-01-01', DT0 datetime default '2000-01-01', DA date default '2000-01-01', "
        "S varchar(100) default 'x', B varbinary(10) default 'x')"));
    openOn(QStringLiteral("T"));
    const QStringList columns{"I", "D", "F", "DT", "DT0", "DA", "S", "B"};
    const QVector<Row> written{
        {DbValue::fromInteger(std::numeric_limits<qint64>::min()),
         DbValue::fromDecimal(Decimal::parse(QStringLiteral("1234567890123456789012345678.0123456789"))),
         DbValue::fromFloat(0.1), DbValue::fromDateTime(at(2024, 2, 29, 23, 59, 58, 999999000)),
         DbValue::fromDateTime(at(2024, 2, 29, 23, 59, 58)), DbValue::fromDateTime(at(2024, 1, 31)),
         DbValue::fromText(mixedText), DbValue::fromBytes(QByteArray("\0\x01\xff'\\", 5))},
        {DbValue::fromInteger(std::numeric_limits<qint64>::max()),
         DbValue::fromDecimal(Decimal::parse(QStringLiteral("-0.0000000001"))), DbValue::fromFloat(-1.0 / 3.0),
         DbValue::fromDateTime(at(1, 1, 1)), DbValue::fromDateTime(at(9999, 12, 31, 23, 59, 59)),
         DbValue::fromDateTime(at(9999, 12, 31)), DbValue::fromText(QString()), DbValue::fromBytes(QByteArray())},
        Row(columns.size()),  // all null
    };
    for (int r = 0; r < written.size(); ++r) {
        data.append();
        data.setFieldValue(QStringLiteral("ID"), DbValue::fromInteger(r));
        for (int c = 0; c < columns.size(); ++c)
            data.setFieldValue(columns[c], written[r][c]);
        data.post();
    }
    EXPECT_EQ(data.applyUpdates(0), 0);
    EXPECT_TRUE(refused.isEmpty()) << refused.join(QLatin1Char('\n')).toStdString();

    EXPECT_EQ(readBack(QStringLiteral("select I, D, F, DT, DT0, DA, S, B from T order by ID")), written);

    // What a column would cut or round is refused before it is sent.
    data.append();
    for (const auto& [column, value] : {std::pair{"DT", DbValue::fromDateTime(at(2024, 2, 29, 23, 59, 58, 999999999))},
                                        {"DT0", DbValue::fromDateTime(at(2024, 2, 29, 23, 59, 58, 500000000))},
                                        {"DT", DbValue::fromDateTime(at(-44, 3, 15))},
                                        {"D", DbValue::fromDecimal(Decimal::parse(QStringLiteral("0.00000000001")))}})
        EXPECT_THROW(data.setFieldValue(QLatin1String(column), value), ConversionError) << column;
    EXPECT_EQ(db.scalar(QStringLiteral("select hex(S) from T where ID = 0")),
              QString::fromLatin1(mixedText.toUtf8().toHex().toUpper()));
}

TEST_F(InsertValues, TextTravelsInTheConnectionCharsetAndIsNeverReplaced)
{
    db.exec(QStringLiteral("create table T (ID int primary key, S varchar(100)) character set utf8mb4"));
    struct Case {
        const char* charset;
        QString text;
    };
    const Case cases[] = {
        {"utf8mb4", mixedText},
        {"latin1", QStringLiteral("Größe, naïve café ÿ")},
        {"gbk", QStringLiteral("中文字符 汉字")},
    };
    int id = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.charset);
        openOn(QStringLiteral("T"), QString::fromLatin1(c.charset));
        ++id;
        data.append();
        data.setFieldValue(QStringLiteral("ID"), DbValue::fromInteger(id));
        data.setFieldValue(QStringLiteral("S"), DbValue::fromText(c.text));
        data.post();
        EXPECT_EQ(data.applyUpdates(0), 0);
        EXPECT_EQ(db.scalar(QStringLiteral("select S from T where ID = %1").arg(id)), c.text);
    }

    // On gbk, the server's message comes back decoded.
    db.exec(QStringLiteral("create table U (S varchar(10) primary key) character set utf8mb4"));
    db.exec(QStringLiteral("insert into U values ('汉字')"));
    openOn(QStringLiteral("U"), QStringLiteral("gbk"));
    data.append();
    data.setFieldValue(QStringLiteral("S"), DbValue::fromText(QStringLiteral("汉字")));
    data.post();
    EXPECT_EQ(data.applyUpdates(0), 1);
    EXPECT_EQ(refused, QStringList{QStringLiteral("Duplicate entry '汉字' for key 'PRIMARY'")});

    // A CJK character on latin1 is the encoder's refusal of that row only.
    refused.clear();
    openOn(QStringLiteral("T"), QStringLiteral("latin1"));
    for (const QString& s : {QStringLiteral("before"), QStringLiteral("Müller 中"), QStringLiteral("after")}) {
        data.append();
        data.setFieldValue(QStringLiteral("ID"), DbValue::fromInteger(++id));
        data.setFieldValue(QStringLiteral("S"), DbValue::fromText(s));
        data.post();
    }
    EXPECT_EQ(data.applyUpdates(-1), 1);
    const QString encoderMessage =
        failureOf([] { MySqlTextCodec::forCharset(QStringLiteral("latin1")).encode(QStringLiteral("Müller 中")); });
    EXPECT_EQ(refused, QStringList{encoderMessage});
    EXPECT_EQ(db.column(QStringLiteral("select S from T where ID > 3 order by ID")),
              (QStringList{QStringLiteral("before"), QStringLiteral("after")}));
}

TEST_F(InsertValues, LargeLobsArriveWhole)
{
    db.exec(QStringLiteral("create table T (ID int primary key, B longblob, C longtext, B2 longblob) "
                           "character set utf8mb4"));
    openOn(QStringLiteral("T"));
    QByteArray blob(1 << 20, '\0');
    for (int i = 0; i < blob.size(); ++i)
        blob[i] = char(i % 256);
    QString clob;
    for (int i = 0; clob.size() < (1 << 19); ++i)  // over 1 MB in UTF-8
        clob += QStringLiteral("x中é😀 ") + QString::number(i);
    data.append();
    data.setFieldValue(QStringLiteral("ID"), DbValue::fromInteger(1));
    data.setFieldValue(QStringLiteral("B"), DbValue::fromBytes(blob));
    data.setFieldValue(QStringLiteral("C"), DbValue::fromText(clob));
    data.post();

    // Two values that each fit the server's packet limit but together do not.
    const qint64 packet = db.scalar(QStringLiteral("select @@max_allowed_packet")).toLongLong();
    const QByteArray half(qsizetype(packet * 3 / 4), 'q');
    data.append();
    data.setFieldValue(QStringLiteral("ID"), DbValue::fromInteger(2));
    data.setFieldValue(QStringLiteral("B"), DbValue::fromBytes(half));
    data.setFieldValue(QStringLiteral("B2"), DbValue::fromBytes(half));
    data.post();

    EXPECT_EQ(data.applyUpdates(0), 0);
    EXPECT_TRUE(refused.isEmpty()) << refused.join(QLatin1Char('\n')).toStdString();
    const QVector<Row> back = readBack(QStringLiteral("select B, C from T where ID = 1"));
    ASSERT_EQ(back.size(), 1);
    EXPECT_TRUE(back[0][0] == DbValue::fromBytes(blob));
    EXPECT_TRUE(back[0][1] == DbValue::fromText(clob));
    EXPECT_EQ(db.scalar(QStringLiteral("select concat(length(B), ' ', md5(B), ' ', length(B2), ' ', md5(B2)) "
                                       "from T where ID = 2")),
              QStringLiteral("%1 %2 %1 %2").arg(half.size()).arg(md5(half)));

    // A value beyond the limit is refused by name before it is sent; the
    // connection goes on.
    data.append();
    data.setFieldValue(QStringLiteral("ID"), DbValue::fromInteger(3));
    data.setFieldValue(QStringLiteral("B"), DbValue::fromBytes(QByteArray(qsizetype(packet + 1), 'q')));
    data.post();
    EXPECT_EQ(data.applyUpdates(0), 1);
    EXPECT_EQ(refused, QStringList{QStringLiteral("The value of column B has %1 bytes; the server takes at most %2 "
                                                  "bytes (max_allowed_packet)")
                                       .arg(packet + 1)
                                       .arg(packet)});
    EXPECT_EQ(readBack(QStringLiteral("select count(*) from T")), QVector<Row>{{DbValue::fromInteger(2)}});
}
