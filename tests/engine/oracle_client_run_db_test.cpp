// Whole runs read through the Oracle client library (the stand-in of the
// tests, serving a schema file) against the same runs from the schema file.

#include "support/ConversionFixture.h"
#include "support/OciStandIn.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace {

const QStringList tables{QStringLiteral("DEPT"), QStringLiteral("EMP"), QStringLiteral("KINDS"),
                         QStringLiteral("MANY"), QStringLiteral("INV")};

const char* const schemaSql = R"sql(
create table DEPT (DEPTNO NUMBER(2) primary key, DNAME VARCHAR2(14) default 'NONE' unique, LOC CHAR(13));
insert into DEPT values (10, 'ACCOUNTING', 'NEW YORK'), (20, 'RESEARCH', 'DALLAS'), (30, 'SALES', NULL);
create table EMP (EMPNO NUMBER(4) primary key, ENAME VARCHAR2(10), HIREDATE DATE, SAL NUMBER(7,2),
                  COMM NUMBER(7,2), DEPTNO NUMBER(2));
create index EMP_DEPT on EMP (DEPTNO, ENAME);
create index EMP_SAL_DESC on EMP (SAL desc);
create index EMP_UPPER on EMP (UPPER("ENAME"));
create table INV (ID NUMBER(3), SECRET "VARCHAR2(5) INVISIBLE", NOTE VARCHAR2(5));
insert into INV values (1, 'hid', 'seen');
insert into EMP values (7369, 'SMITH', '1980-12-17', 800, NULL, 20), (7499, 'ALLEN', '1981-02-20', 1600, 300, 30),
                       (7521, 'WARD', '1981-02-22', 1250.5, -0.01, 30);
create table KINDS (ID NUMBER(5), BIG NUMBER(38,1), ROUNDED NUMBER(7), TINY NUMBER(38,38), TS TIMESTAMP(6),
                    TSZ "TIMESTAMP(6) WITH TIME ZONE", C CHAR(6), NV NVARCHAR2(10), CL CLOB, L LONG, B BLOB,
                    R RAW(8), BF BINARY_FLOAT, BD BINARY_DOUBLE, DS "INTERVAL DAY(2) TO SECOND(6)");
insert into KINDS values (1, cast('-1234567890123456789012345678901234567.8' as blob), 98700,
                          cast('0.00000000000000000000000000000000000001' as blob), '1999-12-31 23:59:59.123456',
                          '2001-02-03 04:05:06.5 +02:00', 'ab', 'ÆØÅ 日本', 'text', 'long text', x'00ff', x'0102',
                          0.25, 2.5, '+02 03:04:05.000000');
insert into KINDS (ID) values (2);
update KINDS set CL = replace(printf('%.*c', 100000, 'x'), 'x', '中ab'), B = zeroblob(300000) where ID = 1;
create table MANY (N NUMBER(3) primary key, T VARCHAR2(5));
with recursive k(n) as (select 1 union all select n + 1 from k where n < 45) insert into MANY select n, 'r' || n from k;
)sql";

}  // namespace

class OracleClientRun : public ConversionFixture {
protected:
    // The log, then each table's definition and checksum.
    QStringList outcome()
    {
        QStringList result = host.lines;
        for (const QString& table : tables)
            result << db.showCreateTable(table) << db.checksumTable(table);
        return result;
    }
};

TEST_F(OracleClientRun, LandsAsTheSchemaFileRunLands)
{
    connect(QString::fromUtf8(schemaSql));
    const ConversionSettings settings;
    // Only the index on an expression is refused.
    EXPECT_EQ(run(tables, settings).tablesWithFailures, 1) << host.lines.join(QLatin1Char('\n')).toStdString();
    const QStringList offline = outcome();
    for (const QString& table : tables)
        db.exec(QStringLiteral("drop table `%1`").arg(table));
    host.lines.clear();

    reconnectSourceThroughClient();
    EXPECT_EQ(run(tables, settings).tablesWithFailures, 1);
    EXPECT_EQ(outcome(), offline);
    EXPECT_TRUE(offline.contains(QStringLiteral("Insert table MANY 45 Rows ...Done")));
    EXPECT_TRUE(offline.contains(QStringLiteral("Index EMP_UPPER has the expression UPPER(\"ENAME\") as a key; it is "
                                                "not made")));
    // A descending key keeps its column; an invisible column arrives, last.
    EXPECT_EQ(db.scalar(QStringLiteral("select group_concat(column_name) from information_schema.statistics where "
                                       "table_schema = database() and index_name = 'EMP_SAL_DESC'")),
              QStringLiteral("SAL"));
    EXPECT_EQ(db.column(QStringLiteral("select concat_ws(',', ID, NOTE, SECRET) from INV")), QStringList{"1,seen,hid"});
    EXPECT_EQ(db.scalar(QStringLiteral("select group_concat(column_name order by ordinal_position) from "
                                       "information_schema.columns where table_schema = database() and table_name = 'INV'")),
              QStringLiteral("ID,NOTE,SECRET"));
}

TEST_F(OracleClientRun, LostConnectionEndsTheRowStepWithOraclesMessage)
{
    connect(QString::fromUtf8(schemaSql));
    reconnectSourceThroughClient();
    qputenv("QV_OCI_STANDIN_FAIL_AFTER_ROWS", "30");
    ConversionSettings settings;
    settings.skipIndexes = true;
    const RunOutcome result = run({QStringLiteral("MANY")}, settings);
    qunsetenv("QV_OCI_STANDIN_FAIL_AFTER_ROWS");
    EXPECT_FALSE(result.succeeded());
    EXPECT_TRUE(host.lines.contains(QStringLiteral("ORA-03113: end-of-file on communication channel")))
        << host.lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from MANY")), QStringLiteral("0"));
}
