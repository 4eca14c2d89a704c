#include "data/DbConnection.h"
#include "data/SqlQuery.h"
#include "engine/ConversionSession.h"
#include "support/Failure.h"
#include "support/OciStandIn.h"
#include "support/SchemaFile.h"

#include <QFile>
#include <gtest/gtest.h>
#include <cstdlib>

using namespace qv;
using qv::test::failureOf;

namespace {

DbConnection& oracleService(DbConnection& connection, const QString& service)
{
    connection.describeAsOracle();
    connection.Params = {QStringLiteral("Database=") + service, QStringLiteral("User_Name=scott"),
                         QStringLiteral("Password=tiger")};
    return connection;
}

}  // namespace

TEST(OracleClient, MissingClientLibraryIsToldPlainly)
{
    ::unsetenv("QUORVANE_OCI_LIBRARY");
    DbConnection connection;
    EXPECT_EQ(failureOf([&] { oracleService(connection, QStringLiteral("ORCL")).open(); }),
              QStringLiteral("Unable to load libclntsh.so (ErrorCode 2).  It may be missing from the system path."));
    EXPECT_FALSE(connection.connected());
}

TEST(OracleClient, LibraryNameComesFromTheEnvironment)
{
    ::setenv("QUORVANE_OCI_LIBRARY", "/nowhere/libclntsh.so.19.1", 1);
    DbConnection connection;
    const QString message = failureOf([&] { oracleService(connection, QStringLiteral("//db:1521/ORCL")).open(); });
    ::unsetenv("QUORVANE_OCI_LIBRARY");
    EXPECT_TRUE(message.startsWith(QStringLiteral("Unable to load /nowhere/libclntsh.so.19.1 (ErrorCode ")))
        << message.toStdString();
    EXPECT_TRUE(message.endsWith(QStringLiteral(").  It may be missing from the system path.")));
}

TEST(OracleClient, DriverFieldsDescribeTheOracleConnection)
{
    DbConnection connection;
    connection.describeAsOracle();
    EXPECT_EQ(connection.DriverName, QStringLiteral("Oracle"));
    EXPECT_EQ(connection.LibraryName, QStringLiteral("dbexpora.dll"));
    EXPECT_EQ(connection.GetDriverFunc, QStringLiteral("getSQLDriverORACLE"));
    EXPECT_EQ(connection.VendorLib, QStringLiteral("oci.dll"));
    connection.describeAsMySql();
    EXPECT_EQ(connection.DriverName, QStringLiteral("MySQL"));
    EXPECT_EQ(connection.LibraryName, QStringLiteral("dbxmys.dll"));
    EXPECT_EQ(connection.GetDriverFunc, QStringLiteral("getSQLDriverMYSQL"));
    EXPECT_EQ(connection.VendorLib, QStringLiteral("libmysql.dll"));
}

TEST(OracleClient, DriverFieldWinsOverAParamsLineOfTheSameName)
{
    // A DriverName=MySQL line in Params must not turn an Oracle connection
    // into a MySQL one.
    ::unsetenv("QUORVANE_OCI_LIBRARY");
    DbConnection connection;
    oracleService(connection, QStringLiteral("ORCL"));
    connection.Params << QStringLiteral("DriverName=MySQL");
    EXPECT_TRUE(failureOf([&] { connection.open(); }).startsWith(QStringLiteral("Unable to load libclntsh.so")));
}

// ---------------------------------------------------------------------------
// Through the stand-in client library, which serves a schema file over OCI.

namespace {

using qv::test::OciStandIn;
using qv::test::SchemaFile;

// The source connection's lines for user scott.
QStringList sourceParams(const QString& service, const QString& password)
{
    ConversionSettings settings;
    settings.oracleService = service;
    settings.oracleUser = QStringLiteral("scott");
    settings.oraclePassword = password;
    return oracleConnectionParams(settings);
}

void connectThroughClient(DbConnection& connection, const SchemaFile& file, const QString& password = "tiger")
{
    OciStandIn::use();
    connection.describeAsOracle();
    connection.Params = sourceParams(file.path(), password);
    connection.open();
}

QString rowsAsText(SqlQuery& q)
{
    QStringList rows;
    for (; !q.eof(); q.next()) {
        QStringList fields;
        for (int i = 0; i < q.fieldCount(); ++i)
            fields << q.fieldText(i);
        rows << fields.join(QLatin1Char('|'));
    }
    return rows.join(QLatin1Char('\n'));
}

}  // namespace

TEST(OracleClient, RefusedLogonCarriesOraclesMessageAndFreesEveryHandle)
{
    const SchemaFile file(QStringLiteral("create table T (A number);"));
    const struct {
        QString service;
        QString password;
        const char* message;
    } cases[] = {
        {file.path(), QStringLiteral("wrong"), "ORA-01017: invalid username/password; logon denied"},
        {file.path() + QStringLiteral(".missing"), QStringLiteral("tiger"),
         "ORA-12154: TNS:could not resolve the connect identifier specified"},
    };
    OciStandIn::use();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        DbConnection connection;
        connection.describeAsOracle();
        connection.Params = sourceParams(c.service, c.password);
        EXPECT_EQ(failureOf([&] { connection.open(); }), QLatin1String(c.message));
        EXPECT_FALSE(connection.connected());
        EXPECT_EQ(OciStandIn::live(), 0);
    }
}

TEST(OracleClient, LibraryLackingAFunctionIsNamedWithTheFunction)
{
    const QString partial = OciStandIn::partialLibrary();
    qputenv("QUORVANE_OCI_LIBRARY", QFile::encodeName(partial));
    const SchemaFile file(QStringLiteral("create table T (A number);"));
    DbConnection connection;
    connection.describeAsOracle();
    connection.Params = sourceParams(file.path(), QStringLiteral("tiger"));
    EXPECT_EQ(failureOf([&] { connection.open(); }),
              QStringLiteral("The Oracle client library %1 has no function OCILobRead2: Quorvane needs Oracle Client "
                             "12.1 or later")
                  .arg(partial));
    EXPECT_FALSE(connection.connected());
}

// Every value kind, read through OCI, is the value the schema-file driver
// reads from the same file: a live server and a schema file land alike.
TEST(OracleClient, EveryValueArrivesAsTheSchemaFileGivesIt)
{
    const SchemaFile file(QStringLiteral(
        "create table KINDS (ID NUMBER(5) primary key, BIG NUMBER(38), SCALED NUMBER(10,2), ROUNDED NUMBER(7,-2),"
        " TINY NUMBER, HUGE NUMBER, RATIO FLOAT, D DATE, TS TIMESTAMP(9), TSZ \"TIMESTAMP(6) WITH TIME ZONE\","
        " TSL \"TIMESTAMP(3) WITH LOCAL TIME ZONE\", C CHAR(6), NC NCHAR(4), V VARCHAR2(40), NV NVARCHAR2(10),"
        " CL CLOB, NCL NCLOB, L LONG, B BLOB, R RAW(8), LR LONG RAW, BF BINARY_FLOAT, BD BINARY_DOUBLE,"
        " YM \"INTERVAL YEAR(2) TO MONTH\", DS \"INTERVAL DAY(2) TO SECOND(6)\", RID ROWID);"
        "insert into KINDS values (1, cast('12345678901234567890123456789012345678' as blob), 1234.56, 12300,"
        " cast('1E-130' as blob), cast('9.99E125' as blob), 0.1, '2024-02-29 13:14:15',"
        " '1999-12-31 23:59:59.123456789', '2001-02-03 04:05:06.5 +02:00', '2010-10-10 10:10:10.123', 'ab',"
        " '日本', 'Müller € 中文  ', 'ñandú', NULL, 'ÆØÅ', 'a long text', NULL, x'00ff10', x'0102', 0.25, 2.5,"
        " '+01-06', '+02 03:04:05.000000', 'AAAR3sAAEAAAACXAAA');"
        "insert into KINDS (ID) values (2);"
        "insert into KINDS (ID, BIG, SCALED) values (3, cast('-98765432109876543210987654321098765432' as blob),"
        " -123.45);"
        "update KINDS set CL = replace(printf('%.*c', 600000, 'x'), 'x', '中ab') where ID = 1;"
        // LONG and LONG RAW values of several pieces, in two rows of one fetch.
        "update KINDS set L = printf('%.*c', 200000, 'L'), LR = randomblob(150000) where ID in (1, 3);"));
    QByteArray blob(3 << 20, '\0');
    for (int i = 0; i < blob.size(); ++i)
        blob[i] = char(i * 7 % 256);
    file.execute(QStringLiteral("update KINDS set B = ?1 where ID = 1"), {blob});

    DbConnection offline;
    file.connect(offline);
    DbConnection client;
    connectThroughClient(client, file);
    SqlQuery expected(&offline);
    SqlQuery actual(&client);
    expected.openQuery(QStringLiteral("select * from KINDS order by ID"));
    actual.openQuery(QStringLiteral("select * from KINDS order by ID"));
    ASSERT_EQ(actual.fieldCount(), expected.fieldCount());
    for (int i = 0; i < actual.fieldCount(); ++i) {
        SCOPED_TRACE(expected.fieldName(i).toStdString());
        EXPECT_EQ(actual.column(i).name, expected.column(i).name);
        EXPECT_EQ(actual.column(i).type, expected.column(i).type);
        EXPECT_EQ(actual.column(i).size, expected.column(i).size);
        EXPECT_EQ(actual.column(i).nullable, expected.column(i).nullable);
    }
    int rows = 0;
    for (; !expected.eof(); expected.next(), actual.next(), ++rows) {
        ASSERT_FALSE(actual.eof());
        for (int i = 0; i < actual.fieldCount(); ++i) {
            SCOPED_TRACE(QStringLiteral("row %1, %2").arg(rows + 1).arg(expected.fieldName(i)).toStdString());
            EXPECT_EQ(actual.fieldValue(i), expected.fieldValue(i));
        }
        if (rows == 0) {
            // Not two drivers equally wrong: the values themselves.
            EXPECT_EQ(actual.fieldValue("big").toText(), "12345678901234567890123456789012345678");
            EXPECT_EQ(actual.fieldValue("tiny").toDecimal().scale, 130);
            EXPECT_EQ(actual.fieldValue("ts").toDateTime().nanosecond, 123456789);
            EXPECT_EQ(actual.fieldValue("c").toText(), "ab    ");
            EXPECT_EQ(actual.fieldValue("v").toText(), QStringLiteral("Müller € 中文  "));
            EXPECT_EQ(actual.fieldValue("cl").toText(), QStringLiteral("中ab").repeated(600000));
            EXPECT_EQ(actual.fieldValue("b").toBytes(), blob);
            EXPECT_EQ(actual.fieldValue("l").toText().size(), 200000);
        }
    }
    EXPECT_TRUE(actual.eof());
    EXPECT_EQ(rows, 3);
    // The LOBs came in pieces of bounded size.
    EXPECT_GT(OciStandIn::largestLobPiece(), 0u);
    EXPECT_LE(OciStandIn::largestLobPiece(), 256u * 1024);

    // Closing the query frees its statement, locators and time stamps at once.
    actual.close();
    for (unsigned type : {4u /* STMT */, 50u /* LOB */, 53u /* PARAM */, 68u, 69u, 70u /* TIMESTAMP kinds */})
        EXPECT_EQ(OciStandIn::live(type), 0) << type;
    client.close();
    EXPECT_EQ(OciStandIn::live(), 0);
}

TEST(OracleClient, RowsComeManyToAFetchAndTheDictionaryAnswers)
{
    const SchemaFile file(QStringLiteral(
        "create table MANY (N NUMBER(3) primary key, T VARCHAR2(5));"
        "with recursive k(n) as (select 1 union all select n + 1 from k where n < 45)"
        " insert into MANY select n, 'r' || n from k;"
        "create table \"Mixed\" (A DATE);"));
    DbConnection client;
    connectThroughClient(client, file);
    SqlQuery q(&client);

    q.openQuery(QStringLiteral("select  table_name   from   user_tables order by table_name"));
    EXPECT_EQ(rowsAsText(q), QStringLiteral("MANY\nMixed"));
    q.openQuery(QStringLiteral("select * from user_tab_columns where table_name = 'MANY' order by column_id"));
    EXPECT_EQ(q.fieldValue("data_length").kind(), ValueKind::Decimal);
    EXPECT_EQ(q.fieldValue("column_name").toText(), "N");
    EXPECT_EQ(q.fieldValue("data_precision").toInteger(), 3);
    q.next();
    EXPECT_EQ(q.fieldValue("data_type").toText(), "VARCHAR2");
    EXPECT_TRUE(q.fieldValue("data_precision").isNull());

    q.openQuery(QStringLiteral("select * from MANY order by N"));
    const QString rows = rowsAsText(q);
    EXPECT_EQ(rows.count(QLatin1Char('\n')), 44);
    EXPECT_TRUE(rows.endsWith(QStringLiteral("45|r45")));
    EXPECT_EQ(OciStandIn::fetchTrace(), QStringLiteral("45"));  // as many rows a fetch as memory allows
    q.close();
    EXPECT_EQ(OciStandIn::live(4 /* OCI_HTYPE_STMT */), 0);
}

// Constraints, identity columns and comments read the same through the
// client as from the file, LONG texts (SEARCH_CONDITION, DATA_DEFAULT) whole.
TEST(OracleClient, ConstraintViewsGiveTheSchemaFilesRows)
{
    const SchemaFile file(QStringLiteral(
        "create table P (A number, B number, U varchar2(5) unique, primary key (A, B));"
        "create table T (ID number primary key, A number not null, B number, PARENT number references T on delete "
        "set null, N varchar2(9) default 'x' constraint CK_N check (N <> ')' and (length(N) < 5)),"
        " check (\"A\" > 0), constraint FK_P foreign key (A, B) references P (A, B) on delete cascade);"
        "create table quorvane_identity_columns (TABLE_NAME, COLUMN_NAME, GENERATION_TYPE);"
        "insert into quorvane_identity_columns values ('T', 'ID', 'BY DEFAULT');"
        "create table quorvane_comments (TABLE_NAME, COLUMN_NAME, COMMENTS);"
        "insert into quorvane_comments values ('T', null, 'it''s 表'), ('T', 'N', '列 \"n\"');"));
    DbConnection offline;
    file.connect(offline);
    DbConnection client;
    connectThroughClient(client, file);
    const QString queries[] = {
        "select c.constraint_name, c.delete_rule, cc.column_name, cc.position, r.table_name r_table_name, "
        "rc.column_name r_column_name from user_constraints c join user_cons_columns cc on cc.constraint_name = "
        "c.constraint_name left join user_constraints r on r.constraint_name = c.r_constraint_name left join "
        "user_cons_columns rc on rc.constraint_name = r.constraint_name and rc.position = cc.position where "
        "c.table_name = 'T' and c.constraint_type = 'R' order by c.constraint_name, cc.position",
        "select constraint_name, constraint_type, search_condition, status, validated, index_name from "
        "user_constraints where table_name = 'T' order by constraint_name",
        "select * from user_constraints", "select * from user_cons_columns", "select * from user_tab_identity_cols",
        "select * from user_tab_comments", "select * from user_col_comments",
        "select column_name, data_default, identity_column from user_tab_columns",
    };
    for (const QString& sql : queries) {
        SCOPED_TRACE(sql.toStdString());
        SqlQuery expected(&offline), actual(&client);
        expected.openQuery(sql);
        actual.openQuery(sql);
        const QString rows = rowsAsText(expected);
        EXPECT_FALSE(rows.isEmpty());
        EXPECT_EQ(rowsAsText(actual), rows);
    }
    SqlQuery q(&client);
    q.openQuery(QStringLiteral("select search_condition from user_constraints where constraint_name = 'CK_N'"));
    EXPECT_EQ(q.fieldText(0), QStringLiteral("N <> ')' and (length(N) < 5)"));
    q.openQuery(
        QStringLiteral("select r_constraint_name, delete_rule from user_constraints where constraint_name = 'FK_P'"));
    EXPECT_EQ(rowsAsText(q), QStringLiteral("PK_P|CASCADE"));
}

TEST(OracleClient, LostConnectionEndsTheQueryWithOraclesMessage)
{
    const SchemaFile file(QStringLiteral(
        "create table MANY (N NUMBER);"
        "with recursive k(n) as (select 1 union all select n + 1 from k where n < 45) insert into MANY select n from k;"));
    DbConnection client;
    connectThroughClient(client, file);
    SqlQuery q(&client);
    qputenv("QV_OCI_STANDIN_FAIL_AFTER_ROWS", "30");
    int rows = 0;
    const QString message = failureOf([&] {
        for (q.openQuery(QStringLiteral("select * from MANY")); !q.eof(); q.next())
            ++rows;
    });
    qunsetenv("QV_OCI_STANDIN_FAIL_AFTER_ROWS");
    EXPECT_EQ(message, "ORA-03113: end-of-file on communication channel");
    EXPECT_EQ(rows, 0);  // the fetch that met the failure hands out none of its rows
    EXPECT_EQ(failureOf([&] { q.openQuery(QStringLiteral("select * from MANY")); }),
              "ORA-03114: not connected to ORACLE");
    client.close();
    EXPECT_EQ(OciStandIn::live(), 0);
}

TEST(OracleClient, OnlyQueriesReachTheServer)
{
    const SchemaFile file(QStringLiteral("create table T (A number); insert into T values (1);"));
    DbConnection client;
    connectThroughClient(client, file);
    SqlQuery q(&client);
    const QString refusal = QStringLiteral("The Oracle connection only reads: it runs queries, not other statements");
    EXPECT_EQ(failureOf([&] { q.executeDirect(QStringLiteral("delete from T")); }), refusal);
    EXPECT_EQ(failureOf([&] { q.openQuery(QStringLiteral("delete from T")); }), refusal);
    EXPECT_EQ(failureOf([&] { q.openQuery(QStringLiteral("select * from NOSUCH")); }),
              "ORA-00942: table or view does not exist");
    EXPECT_EQ(OciStandIn::live(4 /* OCI_HTYPE_STMT */), 0);
    q.openQuery(QStringLiteral("select * from T"));
    EXPECT_EQ(rowsAsText(q), "1");
}
