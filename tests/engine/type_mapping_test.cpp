#include "engine/TypeMapping.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace qv;

namespace {

struct TypeCase {
    const char* dataType;
    qint64 length;
    std::optional<qint64> precision;
    std::optional<qint64> scale;
    const char* owner;
    const char* expected;  // empty: no MySQL home
};

constexpr auto none = std::nullopt;

// Catalog rows as Oracle's dictionary gives them. The schema-file driver
// always reports NUMBER with length 22, so the short lengths of the NUMBER
// rules are only reachable here.
const TypeCase typeCases[] = {
    // The rules kept as they were.
    {"NUMBER", 22, none, none, "", " bigint(22)"},
    {"NUMBER", 11, none, none, "", " int(11)"},
    {"NUMBER", 4, none, none, "", " int(11)"},
    {"NUMBER", 12, none, none, "", " bigint(12)"},
    {"NUMBER", 22, 5, 0, "", " decimal(5,0)"},
    {"NUMBER", 22, 10, 2, "", " decimal(10,2)"},
    {"NUMBER", 22, 38, 30, "", " decimal(38,30)"},
    {"NUMBER", 22, none, 0, "", " bigint(22)"},
    {"NUMBER", 22, 7, none, "", " bigint(22)"},
    {"VARCHAR2", 255, none, none, "", " varchar(255)"},
    {"VARCHAR2", 256, none, none, "", " text"},
    {"NVARCHAR2", 255, none, none, "", " varchar(255)"},
    {"NVARCHAR2", 256, none, none, "", " text"},
    {"CHAR", 1, none, none, "", " varchar(1)"},
    {"CHAR", 2000, none, none, "", " text"},
    {"BLOB", 4000, none, none, "", " longblob"},
    {"CLOB", 4000, none, none, "", " LONGTEXT"},
    {"NCLOB", 4000, none, none, "", " longtext"},
    {"DATE", 7, none, none, "", " DATETIME"},
    {"TIMESTAMP(6)", 11, none, none, "", " DATETIME(6)"},
    {"TIMESTAMP(6) WITH TIME ZONE", 13, none, none, "", " DATETIME(6)"},
    {"TIMESTAMP(6) WITH LOCAL TIME ZONE", 11, none, none, "", " DATETIME(6)"},
    {"INTERVAL YEAR(2) TO MONTH", 5, none, none, "", " varchar(20)"},
    {"INTERVAL DAY(2) TO SECOND(6)", 11, none, none, "", " varchar(20)"},
    {"BINARY_FLOAT", 4, none, none, "", " varchar(20)"},
    {"LONG", 0, none, none, "", " mediumtext"},
    {"RAW", 255, none, none, "", " tinyblob"},
    {"RAW", 256, none, none, "", " blob"},
    // Two rules widened to hold every value of their type.
    {"BINARY_DOUBLE", 8, none, none, "", " varchar(24)"},
    {"LONG RAW", 0, none, none, "", " mediumblob"},
    // Numbers the decimal rule gave types the server refuses.
    {"NUMBER", 22, 5, -2, "", " decimal(7,0)"},
    {"NUMBER", 22, 38, -84, "", " decimal(65,0)"},
    {"NUMBER", 22, 2, 5, "", " decimal(5,5)"},
    {"NUMBER", 22, none, 2, "", " decimal(38,2)"},
    // Types no rule reached.
    {"FLOAT", 22, 126, none, "", " double"},
    {"FLOAT", 22, 1, none, "", " double"},
    {"NCHAR", 6, none, none, "", " varchar(6)"},
    {"NCHAR", 2000, none, none, "", " text"},
    {"ROWID", 10, none, none, "", " varchar(18)"},
    {"UROWID", 4000, none, none, "", " text"},
    {"UROWID", 100, none, none, "", " varchar(100)"},
    {"TIMESTAMP(0)", 7, none, none, "", " DATETIME"},
    {"TIMESTAMP(3)", 11, none, none, "", " DATETIME(3)"},
    {"TIMESTAMP(9)", 11, none, none, "", " DATETIME(6)"},
    {"TIMESTAMP(3) WITH TIME ZONE", 13, none, none, "", " DATETIME(3)"},
    {"TIMESTAMP(0) WITH LOCAL TIME ZONE", 7, none, none, "", " DATETIME"},
    {"TIMESTAMP(9) WITH LOCAL TIME ZONE", 11, none, none, "", " DATETIME(6)"},
    {"INTERVAL YEAR(4) TO MONTH", 5, none, none, "", " varchar(20)"},
    {"INTERVAL YEAR(9) TO MONTH", 5, none, none, "", " varchar(20)"},
    {"INTERVAL DAY(3) TO SECOND(9)", 11, none, none, "", " varchar(23)"},
    {"INTERVAL DAY(9) TO SECOND(9)", 11, none, none, "", " varchar(29)"},
    {"INTERVAL DAY(0) TO SECOND(0)", 11, none, none, "", " varchar(20)"},
    {"XMLTYPE", 2000, none, none, "SYS", " longtext"},
    {"SDO_GEOMETRY", 1, none, none, "MDSYS", " geometry"},
    // No MySQL home: a user's own type of a known name, objects,
    // collections, files, and types newer than the rules.
    {"XMLTYPE", 1, none, none, "APP", ""},
    {"SDO_GEOMETRY", 1, none, none, "APP", ""},
    {"CUST_ADDRESS_TYP", 1, none, none, "OE", ""},
    {"BFILE", 530, none, none, "", ""},
    {"JSON", 8200, none, none, "", ""},
    {"BOOLEAN", 1, none, none, "", ""},
    {"VECTOR", 0, none, none, "", ""},
    // Names match whole and case-sensitively.
    {"number", 22, none, none, "", ""},
    {"Varchar2", 10, none, none, "", ""},
    {"TIMESTAMP(3) WITH ZONE", 11, none, none, "", ""},
    {"", 10, none, none, "", ""},
};

}  // namespace

TEST(TypeMapping, EveryCatalogTypeGetsItsTypeText)
{
    for (const TypeCase& c : typeCases) {
        const CatalogColumn column{QString::fromLatin1(c.dataType), c.length, c.precision, c.scale,
                                   QString::fromLatin1(c.owner)};
        EXPECT_EQ(mysqlTypeText(column), QString::fromLatin1(c.expected))
            << c.dataType << " length " << c.length << " precision " << c.precision.value_or(-1) << " scale "
            << c.scale.value_or(-999);
    }
}

// An unconstrained NUMBER takes its type from the digits its values need.
TEST(TypeMapping, UnconstrainedNumbersFollowTheirValues)
{
    const CatalogColumn number{QStringLiteral("NUMBER"), 22, none, none, {}};
    const CatalogColumn shortNumber{QStringLiteral("NUMBER"), 11, none, none, {}};
    struct {
        const CatalogColumn& column;
        std::optional<qint64> integerDigits, fractionDigits;
        const char* expected;
    } const cases[] = {
        {number, none, none, " bigint(22)"},      // no value at all
        {number, 18, 0, " bigint(22)"},
        {shortNumber, 5, 0, " int(11)"},
        {number, 19, 0, " decimal(38,0)"},      // may pass a bigint
        {number, 5, 2, " decimal(38,2)"},
        {number, 36, 2, " decimal(38,2)"},
        {number, 37, 2, " decimal(65,2)"},
        {number, 0, 40, " decimal(38,30)"},     // MySQL's largest scale
        {number, 9, 30, " decimal(65,30)"},
        {number, 40, 0, " decimal(65,0)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(numberTypeForValues(c.column, c.integerDigits, c.fractionDigits), QString::fromLatin1(c.expected))
            << c.integerDigits.value_or(-1) << "." << c.fractionDigits.value_or(-1);
    EXPECT_TRUE(isUnconstrainedNumber(number));
    EXPECT_FALSE(isUnconstrainedNumber({QStringLiteral("NUMBER"), 22, none, 0, {}}));
    EXPECT_FALSE(isUnconstrainedNumber({QStringLiteral("FLOAT"), 22, 126, none, {}}));
}
