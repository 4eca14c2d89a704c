#include "support/ConversionFixture.h"

#include <QCryptographicHash>
#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace {

QString md5(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
}

QByteArray everyByteValue(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char(i % 256);
    return bytes;
}

}  // namespace

// Each kind of value that the source holds, through a whole run: the
// definition from the catalog, then the rows, read back from MySQL.
TEST_F(ConversionFixture, EveryValueKindArrivesUnchanged)
{
    connect(QStringLiteral(
        "create table KINDS (ID NUMBER(5), BIG NUMBER(38), PRICE NUMBER(10,2), WHOLE NUMBER, D DATE,"
        " TS TIMESTAMP(6), C CHAR(5), V VARCHAR2(40), NV NVARCHAR2(20), CL CLOB, B BLOB, R RAW(16),"
        " BD BINARY_DOUBLE, IDS \"INTERVAL DAY(2) TO SECOND(6)\");"
        "insert into KINDS values (1, cast('12345678901234567890123456789012345678' as blob), 1234.5, 42,"
        " '2024-02-29 13:14:15', '1999-12-31 23:59:59.987654', 'ab', '中文字符 Müller €', 'ÆØÅ 日本', NULL, NULL,"
        " x'00ff10', 2.5, '+01 02:03:04.500000');"
        "insert into KINDS (ID) values (2);"
        "update KINDS set CL = replace(printf('%.*c', 300000, 'x'), 'x', '中a') where ID = 1;"));
    const QByteArray blob = everyByteValue(1 << 20);
    schema->execute(QStringLiteral("update KINDS set B = ?1 where ID = 1"), {blob});
    const QString clob = QStringLiteral("中a").repeated(300000);

    ConversionSettings settings;
    const RunOutcome outcome = run({QStringLiteral("KINDS")}, settings);
    ASSERT_TRUE(outcome.succeeded()) << host.lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(host.lines.mid(0, 4), (QStringList{"Create table KINDS...Done", "", "Insert table KINDS 2 Rows ...Done", ""}));

    const QString row1 = QStringLiteral(" from %1.KINDS where ID = 1").arg(db.name());
    EXPECT_EQ(db.scalar(QStringLiteral("select BIG") + row1), QStringLiteral("12345678901234567890123456789012345678"));
    EXPECT_EQ(db.scalar(QStringLiteral("select PRICE") + row1), QStringLiteral("1234.50"));
    EXPECT_EQ(db.scalar(QStringLiteral("select WHOLE") + row1), QStringLiteral("42"));
    EXPECT_EQ(db.scalar(QStringLiteral("select D") + row1), QStringLiteral("2024-02-29 13:14:15"));
    EXPECT_EQ(db.scalar(QStringLiteral("select TS") + row1), QStringLiteral("1999-12-31 23:59:59.987654"));
    EXPECT_EQ(db.scalar(QStringLiteral("select concat('[', C, ']')") + row1), QStringLiteral("[ab   ]"));
    EXPECT_EQ(db.scalar(QStringLiteral("select V") + row1), QStringLiteral("中文字符 Müller €"));
    EXPECT_EQ(db.scalar(QStringLiteral("select NV") + row1), QStringLiteral("ÆØÅ 日本"));
    EXPECT_EQ(db.scalar(QStringLiteral("select md5(CL)") + row1), md5(clob.toUtf8()));
    EXPECT_EQ(db.scalar(QStringLiteral("select char_length(CL)") + row1), QStringLiteral("600000"));
    EXPECT_EQ(db.scalar(QStringLiteral("select md5(B)") + row1), md5(blob));
    EXPECT_EQ(db.scalar(QStringLiteral("select hex(R)") + row1), QStringLiteral("00FF10"));
    EXPECT_EQ(db.scalar(QStringLiteral("select BD") + row1), QStringLiteral("2.5"));
    EXPECT_EQ(db.scalar(QStringLiteral("select IDS") + row1), QStringLiteral("+01 02:03:04.500000"));

    EXPECT_EQ(db.scalar(QStringLiteral("select concat_ws(',', BIG, PRICE, WHOLE, D, TS, C, V, NV, CL, B, R, BD, IDS) "
                                       "from %1.KINDS where ID = 2")
                            .arg(db.name())),
              QString());  // every value NULL
}
