// Oracle's internal NUMBER and DATE bytes, decoded exactly: the examples of
// Oracle's own documentation, not the stand-in client, which shares our
// reading of the format.

#include "data/Errors.h"
#include "data/drivers/oci/OracleFormats.h"
#include "support/Failure.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <string>

using namespace qv;
using qv::test::failureOf;

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray result;
    for (int v : values)
        result.append(char(v));
    return result;
}

}  // namespace

TEST(OracleFormats, NumbersDecodeExactly)
{
    const std::string tiny = "0." + std::string(129, '0') + "1";  // 1E-130, the smallest exponent
    const std::string huge = "1" + std::string(125, '0');        // 1E125, the largest
    const std::string hugeNegative = "-" + huge;                 // exponent byte 0x00, then digits
    const std::string minusE124 = "-1" + std::string(124, '0');
    const struct {
        QByteArray stored;
        const char* value;
    } cases[] = {
        {bytes({128}), "0"},
        {bytes({193, 2}), "1"},
        {bytes({62, 100, 102}), "-1"},
        {bytes({193, 6}), "5"},
        {bytes({62, 96, 102}), "-5"},
        {bytes({194, 2}), "100"},
        {bytes({194, 28, 68}), "2767"},
        {bytes({61, 74, 34, 102}), "-2767"},
        {bytes({195, 11}), "100000"},
        {bytes({196, 2, 24, 46, 68}), "1234567"},
        {bytes({194, 2, 24, 46}), "123.45"},
        {bytes({61, 100, 78, 56, 102}), "-123.45"},
        {bytes({192, 6}), "0.05"},
        {bytes({211, 13, 35, 57, 79, 91, 13, 35, 57, 79, 91, 13, 35, 57, 79, 91, 13, 35, 57, 79}),
         "12345678901234567890123456789012345678"},
        // Twenty negative digits leave no room for the terminator.
        {bytes({43, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 2}),
         "-101010101010101010101010101010101010199"},
        {bytes({128, 2}), tiny.c_str()},
        {bytes({255, 11}), huge.c_str()},
        {bytes({0, 91, 102}), hugeNegative.c_str()},
        {bytes({0, 100, 102}), minusE124.c_str()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(oci::decodeOracleNumber(c.stored).toString(), QLatin1String(c.value));
    }
}

TEST(OracleFormats, InfinitiesAndMalformedNumbersAreRefused)
{
    EXPECT_EQ(failureOf([] { oci::decodeOracleNumber(bytes({255, 101})); }),
              "The Oracle NUMBER is infinite; it has no exact value");
    EXPECT_EQ(failureOf([] { oci::decodeOracleNumber(bytes({0})); }),
              "The Oracle NUMBER is infinite; it has no exact value");
    EXPECT_EQ(failureOf([] { oci::decodeOracleNumber(bytes({193, 0})); }), "The bytes c1 00 are not an Oracle NUMBER");
    EXPECT_EQ(failureOf([] { oci::decodeOracleNumber(QByteArray()); }), "The bytes  are not an Oracle NUMBER");
}

TEST(OracleFormats, DatesDecodeToTheSecond)
{
    const struct {
        QByteArray stored;
        const char* value;
    } cases[] = {
        {bytes({119, 192, 11, 30, 16, 18, 1}), "1992-11-30 15:17:00"},
        {bytes({120, 124, 2, 29, 24, 60, 60}), "2024-02-29 23:59:59"},
        {bytes({100, 101, 1, 1, 1, 1, 1}), "0001-01-01 00:00:00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(oci::decodeOracleDate(c.stored).toString(), QLatin1String(c.value));
    }
    // 4712 BC: century and year both below 100.
    EXPECT_EQ(oci::decodeOracleDate(bytes({53, 88, 1, 1, 1, 1, 1})).year, -4712);
    EXPECT_EQ(failureOf([] { oci::decodeOracleDate(bytes({120, 124, 13, 1, 1, 1, 1})); }),
              "The bytes 78 7c 0d 01 01 01 01 are not an Oracle DATE");
}
