#include "data/DbValue.h"
#include "data/Errors.h"

#include <gtest/gtest.h>
#include <limits>

using namespace qv;

TEST(Decimal, KeepsDigitsAndScaleExactly)
{
    const Decimal big = Decimal::parse(QStringLiteral("12345678901234567890123456789012345678"));
    EXPECT_EQ(big.toString(), QStringLiteral("12345678901234567890123456789012345678"));
    EXPECT_EQ(big.scale, 0);

    const Decimal trailing = Decimal::parse(QStringLiteral("-123.4500"));
    EXPECT_EQ(trailing.scale, 4);
    EXPECT_EQ(trailing.toString(), QStringLiteral("-123.4500"));
    EXPECT_TRUE(trailing.negative);

    EXPECT_EQ(Decimal::parse(QStringLiteral(".5")).toString(), QStringLiteral("0.5"));
    EXPECT_EQ(Decimal::parse(QStringLiteral("-0.001")).toString(), QStringLiteral("-0.001"));
    EXPECT_EQ(Decimal::parse(QStringLiteral("-0")).toString(), QStringLiteral("0"));
    EXPECT_EQ(Decimal::parse(QStringLiteral("007")).toString(), QStringLiteral("7"));
    EXPECT_EQ(Decimal::parse(QStringLiteral("1.5E+3")).toString(), QStringLiteral("1500"));
    EXPECT_EQ(Decimal::parse(QStringLiteral("25e-4")).toString(), QStringLiteral("0.0025"));
    EXPECT_EQ(Decimal::fromInteger(std::numeric_limits<qint64>::min()).toString(),
              QStringLiteral("-9223372036854775808"));
}

TEST(Decimal, RefusesWhatIsNotANumber)
{
    for (const char* text : {"", "abc", "1.2.3", "--1", "1e", ".", "12a", "1,5"})
        EXPECT_THROW(Decimal::parse(QString::fromLatin1(text)), Error) << text;
}

TEST(Decimal, FractionTest)
{
    EXPECT_FALSE(Decimal::parse(QStringLiteral("12.000")).hasFraction());
    EXPECT_TRUE(Decimal::parse(QStringLiteral("12.010")).hasFraction());
    EXPECT_FALSE(Decimal::parse(QStringLiteral("12")).hasFraction());
}

TEST(DateTime, ParsesIsoTextWithFractionsAndDropsTimeZones)
{
    const DateTime plain = DateTime::parse(QStringLiteral("2024-02-29"));
    EXPECT_EQ(plain.toString(), QStringLiteral("2024-02-29 00:00:00"));

    const DateTime nanos = DateTime::parse(QStringLiteral("1999-12-31 23:59:58.123456789"));
    EXPECT_EQ(nanos.nanosecond, 123456789);
    EXPECT_EQ(nanos.toString(), QStringLiteral("1999-12-31 23:59:58.123456789"));
    EXPECT_EQ(DateTime::parse(QStringLiteral("2020-01-02 03:04:05.5")).nanosecond, 500000000);

    for (const char* zoned : {"2020-01-02 03:04:05.25+02:00", "2020-01-02 03:04:05.25 -0500",
                              "2020-01-02T03:04:05.25Z", "2020-01-02 03:04:05.25 Europe/Berlin",
                              "2020-01-02 03:04:05.25 UTC"}) {
        const DateTime value = DateTime::parse(QString::fromLatin1(zoned));
        EXPECT_EQ(value.toString(), QStringLiteral("2020-01-02 03:04:05.25")) << zoned;
    }
    // MySQL keeps zero dates and dates with a zero month or day.
    for (const char* zero : {"0000-00-00 00:00:00", "2024-00-15 00:00:00", "2024-05-00 10:00:00"})
        EXPECT_EQ(DateTime::parse(QString::fromLatin1(zero)).toString(), QString::fromLatin1(zero));
}

TEST(DateTime, RefusesWhatIsNotADate)
{
    for (const char* text : {"", "yesterday", "2020-13-01", "2020-01-32", "2020-01-01 24:00:00", "20200101"})
        EXPECT_THROW(DateTime::parse(QString::fromLatin1(text)), Error) << text;
}

TEST(DbValue, ConvertsWhereTheContentAllows)
{
    EXPECT_EQ(DbValue::fromText(QStringLiteral("12")).toInteger(), 12);
    EXPECT_EQ(DbValue::fromText(QStringLiteral(" -12 ")).toInteger(), -12);
    EXPECT_EQ(DbValue::fromDecimal(Decimal::parse(QStringLiteral("42.000"))).toInteger(), 42);
    EXPECT_EQ(DbValue::fromFloat(3.0).toInteger(), 3);
    EXPECT_DOUBLE_EQ(DbValue::fromDecimal(Decimal::parse(QStringLiteral("2.5"))).toFloat(), 2.5);
    EXPECT_EQ(DbValue::fromDecimal(Decimal::parse(QStringLiteral("2.50"))).toText(), QStringLiteral("2.50"));
    EXPECT_EQ(DbValue::fromFloat(0.1).toText(), QStringLiteral("0.1"));
    EXPECT_EQ(DbValue::fromFloat(0.1).toDecimal().toString(), QStringLiteral("0.1"));
    EXPECT_EQ(DbValue::fromDateTime(DateTime::parse(QStringLiteral("2001-02-03 04:05:06"))).toText(),
              QStringLiteral("2001-02-03 04:05:06"));
    EXPECT_EQ(DbValue::fromText(QStringLiteral("2001-02-03 04:05")).toDateTime().minute, 5);
    EXPECT_EQ(DbValue::fromText(QStringLiteral("Ä")).toBytes(), QByteArray("\xc3\x84"));
    EXPECT_EQ(DbValue::fromBytes(QByteArray("\xc3\x84")).toText(), QStringLiteral("Ä"));
    EXPECT_EQ(DbValue::fromBytes(QByteArray("\xef\xbb\xbfX")).toText(), QStringLiteral("\uFEFFX"));
    EXPECT_EQ(DbValue().toText(), QString());
    EXPECT_TRUE(DbValue().convertedTo(ValueKind::Integer).isNull());
    EXPECT_EQ(DbValue::fromInteger(7).convertedTo(ValueKind::Decimal).kind(), ValueKind::Decimal);
}

TEST(DbValue, RefusesConversionsThatWouldLoseOrInventContent)
{
    EXPECT_THROW(DbValue::fromText(QStringLiteral("twelve")).toInteger(), Error);
    EXPECT_THROW(DbValue::fromDecimal(Decimal::parse(QStringLiteral("3.14"))).toInteger(), Error);
    EXPECT_THROW(DbValue::fromText(QStringLiteral("99999999999999999999")).toInteger(), Error);
    EXPECT_THROW(DbValue::fromFloat(1e300).toInteger(), Error);
    EXPECT_THROW(DbValue::fromFloat(0.5).toInteger(), Error);
    EXPECT_THROW(DbValue::fromText(QStringLiteral("not a date")).toDateTime(), Error);
    EXPECT_THROW(DbValue::fromInteger(5).toDateTime(), Error);
    EXPECT_THROW(DbValue::fromBytes(QByteArray("\xff\xfe")).toText(), Error);
    EXPECT_THROW(DbValue::fromInteger(5).toBytes(), Error);
    EXPECT_THROW(DbValue().toInteger(), Error);
    try {
        DbValue::fromText(QStringLiteral("abc")).toInteger();
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Cannot convert text value 'abc' to integer"));
    }
}
