#include "engine/TypeMapping.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace qv;

namespace {

QString typeOf(const char* dataType, qint64 length, std::optional<qint64> precision = std::nullopt,
               std::optional<qint64> scale = std::nullopt)
{
    return mysqlTypeText({QString::fromLatin1(dataType), length, precision, scale});
}

}  // namespace

// The schema-file driver always reports NUMBER with length 22, so the short
// lengths of the NUMBER rules are checked here on catalog rows directly.
TEST(TypeMapping, NumberRulesSplitOnScalePrecisionAndLength)
{
    EXPECT_EQ(typeOf("NUMBER", 22), QStringLiteral(" bigint(22)"));
    EXPECT_EQ(typeOf("NUMBER", 11), QStringLiteral(" int(11)"));
    EXPECT_EQ(typeOf("NUMBER", 4), QStringLiteral(" int(11)"));
    EXPECT_EQ(typeOf("NUMBER", 12), QStringLiteral(" bigint(12)"));
    EXPECT_EQ(typeOf("NUMBER", 22, 5, 0), QStringLiteral(" decimal(5,0)"));
    EXPECT_EQ(typeOf("NUMBER", 22, 10, 2), QStringLiteral(" decimal(10,2)"));
    EXPECT_EQ(typeOf("NUMBER", 22, 5, -2), QStringLiteral(" decimal(5,-2)"));
    EXPECT_EQ(typeOf("NUMBER", 22, std::nullopt, 0), QStringLiteral(" bigint(22)"));
    EXPECT_EQ(typeOf("NUMBER", 22, std::nullopt, 2), QStringLiteral(" bigint(22)"));
    EXPECT_EQ(typeOf("NUMBER", 11, std::nullopt, 2), QStringLiteral(" int(11)"));
    // A precision without a scale never makes a decimal.
    EXPECT_EQ(typeOf("NUMBER", 22, 7, std::nullopt), QStringLiteral(" bigint(22)"));
}

TEST(TypeMapping, LengthBoundariesOfCharacterAndRawTypes)
{
    for (const char* type : {"VARCHAR2", "NVARCHAR2", "CHAR"}) {
        EXPECT_EQ(typeOf(type, 255), QStringLiteral(" varchar(255)")) << type;
        EXPECT_EQ(typeOf(type, 256), QStringLiteral(" text")) << type;
    }
    EXPECT_EQ(typeOf("RAW", 255), QStringLiteral(" tinyblob"));
    EXPECT_EQ(typeOf("RAW", 256), QStringLiteral(" blob"));
}

TEST(TypeMapping, TypesMatchWholeAndCaseSensitively)
{
    EXPECT_EQ(typeOf("CLOB", 4000), QStringLiteral(" LONGTEXT"));
    EXPECT_EQ(typeOf("NCLOB", 4000), QStringLiteral(" longtext"));
    EXPECT_EQ(typeOf("DATE", 7), QStringLiteral(" DATETIME"));
    for (const char* stamp : {"TIMESTAMP(6)", "TIMESTAMP(6) WITH LOCAL TIME ZONE", "TIMESTAMP(6) WITH TIME ZONE"})
        EXPECT_EQ(typeOf(stamp, 11), QStringLiteral(" DATETIME(6)")) << stamp;
    for (const char* unmapped : {"TIMESTAMP(3)", "TIMESTAMP(9) WITH TIME ZONE", "INTERVAL DAY(3) TO SECOND(6)",
                                 "FLOAT", "NCHAR", "ROWID", "number", "Varchar2", "MY_TYPE", ""})
        EXPECT_EQ(typeOf(unmapped, 10), QString()) << unmapped;
}
