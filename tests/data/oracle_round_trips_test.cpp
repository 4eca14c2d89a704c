// Round trips to an Oracle server cost a network's latency each: rows come
// many to a fetch, and small LOBs with their rows.

#include "data/DbConnection.h"
#include "data/SqlQuery.h"
#include "engine/ConversionSession.h"
#include "support/OciStandIn.h"
#include "support/QtPrinters.h"
#include "support/SchemaFile.h"

#include <gtest/gtest.h>

using namespace qv;
using qv::test::OciStandIn;
using qv::test::SchemaFile;

namespace {

// Round trips of reading every row of `sql`, and the rows.
struct Reading {
    quint64 roundTrips = 0;
    qint64 rows = 0;
    qint64 textBytes = 0;
};

Reading readAll(DbConnection& connection, const QString& sql)
{
    SqlQuery q(&connection);
    Reading reading;
    const quint64 before = OciStandIn::roundTrips();
    for (q.openQuery(sql); !q.eof(); q.next()) {
        ++reading.rows;
        reading.textBytes += q.fieldText(q.fieldCount() - 1).size();
    }
    reading.roundTrips = OciStandIn::roundTrips() - before;
    return reading;
}

}  // namespace

TEST(OracleRoundTrips, RowsAndSmallLobsComeInFewRoundTrips)
{
    const SchemaFile file(QStringLiteral(
        "create table BENCH (ID NUMBER(10) primary key, NAME VARCHAR2(40), AMOUNT NUMBER(12,2), BORN DATE,"
        " NOTE VARCHAR2(200));"
        "with recursive k(n) as (select 1 union all select n + 1 from k where n < 30000)"
        " insert into BENCH select n, 'name ' || n, n * 1.25, '2001-02-03', printf('%.*c', 150, 'x') from k;"
        "create table DOCS (ID NUMBER(5), DOC CLOB);"
        "with recursive k(n) as (select 1 union all select n + 1 from k where n < 500)"
        " insert into DOCS select n, printf('%.*c', 10000, char(65 + n % 26)) from k;"
        "create table BIGDOCS (ID NUMBER(5), DOC CLOB);"
        "insert into BIGDOCS values (1, printf('%.*c', 700000, 'b'));"));
    OciStandIn::use();
    ConversionSettings settings;
    settings.oracleService = file.path();
    settings.oracleUser = QStringLiteral("scott");
    settings.oraclePassword = QStringLiteral("tiger");
    DbConnection client;
    client.describeAsOracle();
    client.Params = oracleConnectionParams(settings);
    client.open();

    // At most one round trip for 1,000 rows of the benchmark's shape.
    const Reading rows = readAll(client, QStringLiteral("select * from BENCH"));
    EXPECT_EQ(rows.rows, 30000);
    EXPECT_LE(rows.roundTrips, 30u);
    // At most one for 50 rows of 10 KB CLOBs: they come with their rows.
    const Reading lobs = readAll(client, QStringLiteral("select * from DOCS"));
    EXPECT_EQ(lobs.rows, 500);
    EXPECT_EQ(lobs.textBytes, 500 * 10000);
    EXPECT_LE(lobs.roundTrips, 10u);
    // A larger LOB still comes whole, in pieces.
    const Reading large = readAll(client, QStringLiteral("select * from BIGDOCS"));
    EXPECT_EQ(large.textBytes, 700000);
    EXPECT_GE(large.roundTrips, 3u);
}
