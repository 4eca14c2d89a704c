#include "engine/OracleExpressions.h"
#include "data/Errors.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace qv;

namespace {

// MySQL's own quoting, as the target connection writes it; a name with a
// character the connection cannot carry raises.
const TargetQuoting quoting{
    [](const QString& name) {
        if (name.contains(u'\u00e9'))
            throw Error(QStringLiteral("cannot be written"));
        return QLatin1Char('`') + QString(name).replace(u'`', QStringLiteral("``")) + QLatin1Char('`');
    },
    [](const QString& text) {
        return QLatin1Char('\'') + QString(text).replace(u'\\', QStringLiteral("\\\\")).replace(u'\'', QStringLiteral("\\'"))
               + QLatin1Char('\'');
    }};

struct DefaultCase {
    const char* oracle;
    const char* mysqlType;
    const char* expected;  // nullptr: left out
};

const DefaultCase defaultCases[] = {
    {"NULL", " decimal(5,0)", "NULL"},
    {"null\n", " varchar(10)", "NULL"},
    {"''", " varchar(10)", "NULL"},  // Oracle's empty string is NULL
    {"0", " decimal(5,0)", "0"},
    {"(0)", " int(11)", "0"},
    {"-1.50", " decimal(5,2)", "-1.5"},
    {"+7", " bigint(22)", "7"},
    {"1e3", " double", "1000"},
    {"123.456", " decimal(5,2)", nullptr},  // MySQL would round it
    {"100000", " decimal(5,0)", nullptr},
    {"3000000000", " int(11)", nullptr},
    {"'42'", " decimal(5,0)", "42"},
    {"'abc'", " decimal(5,0)", nullptr},
    {"'N'", " varchar(1)", "'N'"},
    {"'it''s'", " varchar(10)", "'it\\'s'"},
    {"'a\\b'", " varchar(10)", "'a\\\\b'"},
    {"'toolong'", " varchar(3)", nullptr},
    {"'中文'", " varchar(2)", "'中文'"},
    {"N'x'", " varchar(2)", "'x'"},
    {"'free'", " text", "('free')"},  // MySQL takes a TEXT default only as an expression
    {"5", " varchar(3)", "'5'"},
    {"5.5", " varchar(3)", nullptr},
    {"'x'", " DATETIME", nullptr},
    {"sysdate", " DATETIME", "CURRENT_TIMESTAMP"},
    {"SYSTIMESTAMP", " datetime(6)", "CURRENT_TIMESTAMP(6)"},
    {"systimestamp(3)", " datetime(3)", "CURRENT_TIMESTAMP(3)"},
    {"CURRENT_DATE", " DATETIME", "CURRENT_TIMESTAMP"},
    {"current_timestamp", " datetime(6)", "CURRENT_TIMESTAMP(6)"},
    {"sysdate", " varchar(20)", nullptr},
    {"DATE '2024-01-02'", " DATETIME", "'2024-01-02 00:00:00'"},
    {"TIMESTAMP '2024-01-02 03:04:05.5'", " DATETIME", nullptr},
    {"TIMESTAMP '2024-01-02 03:04:05.5'", " datetime(3)", "'2024-01-02 03:04:05.5'"},
    {"trunc(sysdate)", " DATETIME", nullptr},
    {"sysdate + 1", " DATETIME", nullptr},
    {"\"QV\".\"ISEQ$$_73\".nextval", " bigint(22)", nullptr},
    {"user", " varchar(30)", nullptr},
    {"'a' || 'b'", " varchar(30)", nullptr},
    {"q'[x]'", " varchar(30)", nullptr},
    {"1 -- one", " int(11)", nullptr},
    {"'x'", " longblob", nullptr},
};

struct CheckCase {
    const char* oracle;
    const char* expected;  // nullptr: left out
};

const CheckCase checkCases[] = {
    {"QTY between 0 and 1000 and STATUS in ('N', 'S')", "`QTY` BETWEEN 0 AND 1000 AND `STATUS` IN ('N', 'S')"},
    {"\"QTY\" >= -1 or not (\"STATUS\" is null)", "`QTY` >= -1 OR NOT (`STATUS` IS NULL)"},
    {"qty != 5 and qty ^= 6 and qty ~= 7", "`QTY` <> 5 AND `QTY` <> 6 AND `QTY` <> 7"},
    {"STATUS like 'A%' escape '!'", "`STATUS` LIKE 'A%' ESCAPE '!'"},
    {"STATUS is not null", "`STATUS` IS NOT NULL"},
    {"NOTE <> ')'", "`NOTE` <> ')'"},
    {"\"Mixed case\" > 0", "`Mixed case` > 0"},
    {"STATUS like 'a\\%'", nullptr},  // MySQL would read the backslash as an escape
    {"STATUS <> ''", nullptr},         // always unknown to Oracle
    {"upper(STATUS) = STATUS", nullptr},
    {"QTY > OTHER", nullptr},           // not a column of the table
    {"QTY - 1 > 0", nullptr},
    {"QTY > 0)", nullptr},
    {"(QTY > 0", nullptr},
    {"STATUS || 'x' = 'Nx'", nullptr},
    {"T.QTY > 0", nullptr},
    {"\"é\" > 0", nullptr},             // a name the connection cannot write
};

}  // namespace

TEST(OracleExpressions, DefaultsThatMySqlHoldsAsTheyAreAreTranslatedAndNoOthers)
{
    for (const DefaultCase& c : defaultCases) {
        SCOPED_TRACE(std::string(c.oracle) + " on" + c.mysqlType);
        const std::optional<QString> translated =
            mysqlDefault(QString::fromUtf8(c.oracle), QString::fromUtf8(c.mysqlType), quoting);
        if (c.expected)
            EXPECT_EQ(translated.value_or(QStringLiteral("(left out)")), QString::fromUtf8(c.expected));
        else
            EXPECT_FALSE(translated.has_value()) << translated->toStdString();
    }
}

TEST(OracleExpressions, ChecksAreTranslatedTokenByTokenOverTheTablesColumnsOnly)
{
    const QStringList columns{"QTY", "STATUS", "NOTE", "Mixed case", "é"};
    for (const CheckCase& c : checkCases) {
        SCOPED_TRACE(c.oracle);
        const std::optional<QString> translated = mysqlCheck(QString::fromUtf8(c.oracle), columns, quoting);
        if (c.expected)
            EXPECT_EQ(translated.value_or(QStringLiteral("(left out)")), QString::fromUtf8(c.expected));
        else
            EXPECT_FALSE(translated.has_value()) << translated->toStdString();
    }
    EXPECT_TRUE(isNotNullCheck(QStringLiteral("\"QTY\" IS NOT NULL")));
    EXPECT_FALSE(isNotNullCheck(QStringLiteral("\"QTY\" IS NOT NULL AND \"QTY\" > 0")));
}
