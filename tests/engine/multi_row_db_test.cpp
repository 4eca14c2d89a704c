// The three write paths (single rows, parameter arrays, statements of many
// rows) give the same table from the same rows.

#include "support/ConversionFixture.h"

#include "data/SqlQuery.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace {

class WritePaths : public ConversionFixture {
protected:
    ~WritePaths() override { qunsetenv("QUORVANE_BULK_APPLY"); }

    qint64 executions()
    {
        SqlQuery status(&mysqlconnect);
        status.openQuery(QStringLiteral("show session status like 'Com_stmt_execute'"));
        return status.fieldValue(1).toInteger();
    }

    // Copies table K by each path; its checksum and the executions it took.
    QList<std::pair<QString, qint64>> copyByEachPath()
    {
        QList<std::pair<QString, qint64>> outcomes;
        for (const char* path : {"0", "1", "rows"}) {
            SCOPED_TRACE(path);
            qputenv("QUORVANE_BULK_APPLY", path);
            db.exec(QStringLiteral("drop table if exists K"));
            host.lines.clear();
            const qint64 before = executions();
            EXPECT_EQ(run({QStringLiteral("K")}, ConversionSettings{}).tablesWithFailures, 0)
                << host.lines.join('\n').toStdString();
            outcomes.append({db.checksumTable(QStringLiteral("K")), executions() - before});
        }
        return outcomes;
    }
};

}  // namespace

TEST_F(WritePaths, EveryKindOfValueGoesThroughOneStatementOfManyRowsUnchanged)
{
    connect(QStringLiteral(
        "create table K (ID NUMBER(5), BIG NUMBER(38), NEG FLOAT, TS TIMESTAMP(6), V VARCHAR2(40), R RAW(16),"
        " C1 CLOB, C2 CLOB);"
        "insert into K values (1, cast('-12345678901234567890123456789012345678' as blob), -2.5e-300,"
        " '1999-12-31 23:59:59.987654', '中文字符 日本語', x'00ff10', NULL, NULL);"
        "insert into K (ID) values (2);"
        "insert into K values (3, cast('99999999999999999999999999999999999999' as blob), -1.7976931348623157e308,"
        " '0001-01-01 00:00:00.000001', '한국어', x'41', 'a', 'b');"
        "update K set C1 = printf('%.*c', 1048576, 'x'), C2 = printf('%.*c', 1048576, 'y') where ID = 1;"));
    const auto outcomes = copyByEachPath();
    EXPECT_EQ(outcomes.at(1).first, outcomes.at(0).first);
    EXPECT_EQ(outcomes.at(2).first, outcomes.at(0).first);
    EXPECT_EQ(outcomes.at(0).second, 3);  // one a row
    EXPECT_EQ(outcomes.at(1).second, 1);  // one array
    EXPECT_EQ(outcomes.at(2).second, 2);  // a statement of two rows, then one of one
    EXPECT_EQ(db.column(QStringLiteral("select concat_ws('|', ID, BIG, NEG, TS, V, hex(R), length(C1), length(C2)) "
                                       "from K order by ID")),
              (QStringList{"1|-12345678901234567890123456789012345678|-2.5e-300|1999-12-31 23:59:59.987654|"
                           "中文字符 日本語|00FF10|1048576|1048576",
                           "2", "3|99999999999999999999999999999999999999|-1.7976931348623157e308|"
                           "0001-01-01 00:00:00.000001|한국어|41|1|1"}));
}

// A row larger than a quarter of max_allowed_packet goes alone, between
// statements of the rows before and after it.
TEST_F(WritePaths, ARowWiderThanOneStatementStillGoesThrough)
{
    connect(QStringLiteral("create table K (ID NUMBER(5), C CLOB);"
                           "insert into K values (1, 'a'), (2, 'b'), (3, NULL), (4, 'd');"));
    SqlQuery packet(&mysqlconnect);
    packet.openQuery(QStringLiteral("select @@max_allowed_packet"));
    const qint64 wide = packet.fieldValue(0).toInteger() / 4 + 1024;
    packet.close();
    schema->execute(QStringLiteral("update K set C = ?1 where ID = 3"), {QByteArray(wide, 'w')});
    const auto outcomes = copyByEachPath();
    EXPECT_EQ(outcomes.at(2).first, outcomes.at(0).first);
    EXPECT_EQ(outcomes.at(2).second, 3);  // rows 1 and 2, row 3 alone, row 4
    EXPECT_EQ(db.scalar(QStringLiteral("select length(C) from K where ID = 3")), QString::number(wide));
}
