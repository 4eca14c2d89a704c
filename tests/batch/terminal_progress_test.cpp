#include "batch/TerminalProgress.h"

#include <QStringList>
#include <cstdio>
#include <gtest/gtest.h>

using namespace qv;

TEST(TerminalProgress, EachLineOverTheLastCutToTheWidthThenOneNewline)
{
    const struct {
        bool terminal;
        int columns;
        QStringList lines;
        std::string written;
    } cases[] = {
        {true, 0, {"Table 1 of 2: DEPT", "Table 2 of 2: EMP"}, "\rTable 1 of 2: DEPT\x1b[K\rTable 2 of 2: EMP\x1b[K\n"},
        // Nine cells of ten columns, a wide character taking two; the middle parts go first.
        {true, 10, {"Table 1 of 2", QStringLiteral("第 1 张表，共")},
         "\rTable 1 o\x1b[K\r" + QStringLiteral("第 1 张表").toStdString() + "\x1b[K\n"},
        {true, 36, {"Table 1 of 2: EMP; 5 rows/s; about 2 min left"}, "\rTable 1 of 2: EMP; about 2 min left\x1b[K\n"},
        {false, 0, {"Table 1 of 2: DEPT"}, ""},
    };
    for (const auto& c : cases) {
        std::FILE* file = std::tmpfile();
        TerminalProgress progress(file, c.terminal, c.columns);
        for (const QString& line : c.lines)
            progress.show(line);
        progress.end();
        progress.end();
        std::string text(std::size_t(std::ftell(file)), '\0');
        std::rewind(file);
        text.resize(std::fread(text.data(), 1, text.size(), file));
        std::fclose(file);
        EXPECT_EQ(text, c.written);
    }
}
