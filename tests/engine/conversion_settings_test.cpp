#include "engine/ConversionSession.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace qv;

// Entry 0 and no entry send no character set; otherwise the connection asks
// for the text the box shows, and the run's tables take the entry's own text.
TEST(ConversionSettings, TheCharacterSetBoxDecidesTheConnectionLineAndTheTables)
{
    struct Case {
        const char* what;
        int entry;
        std::optional<QString> typed;
        QString firstLine;
        QString tables;
    };
    const Case cases[] = {
        {"Default", 0, {}, "Database=shop", ""},
        {"an entry", 36, {}, "ServerCharSet=utf8", "utf8"},
        {"typed over an entry", 36, QStringLiteral("utf8mb4"), "ServerCharSet=utf8mb4", "utf8"},
        {"typed over Default", 0, QStringLiteral("latin1"), "Database=shop", ""},
        {"typed without an entry", -1, QStringLiteral("latin1"), "Database=shop", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ConversionSettings settings;
        settings.database = QStringLiteral("shop");
        settings.characterSetEntry = c.entry;
        settings.characterSetTyped = c.typed;
        EXPECT_EQ(mysqlConnectionParams(settings).first(), c.firstLine);
        EXPECT_EQ(settings.characterSet(), c.tables);
    }
}
