// The Oracle source as a real client and server give it: each case is a
// fact about real clients that the stand-in client library models.

#include "data/DbConnection.h"
#include "data/SqlQuery.h"
#include "engine/ConversionSession.h"
#include "support/Failure.h"
#include "support/OciStandIn.h"
#include "support/QtPrinters.h"
#include "support/SchemaFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qv;
using qv::test::failureOf;
using qv::test::OciStandIn;
using qv::test::SchemaFile;

namespace {

// A variable set for one scope; unset (or as it was) afterwards.
struct ScopedVariable {
    ScopedVariable(const char* name, const QByteArray& value) : name(name), before(qgetenv(name)), was(qEnvironmentVariableIsSet(name))
    {
        qputenv(name, value);
    }
    ~ScopedVariable()
    {
        if (was)
            qputenv(name, before);
        else
            qunsetenv(name);
    }
    const char* name;
    QByteArray before;
    bool was;
};

void connectThroughClient(DbConnection& connection, const SchemaFile& file)
{
    OciStandIn::use();
    ConversionSettings settings;
    settings.oracleService = file.path();
    settings.oracleUser = QStringLiteral("scott");
    settings.oraclePassword = QStringLiteral("tiger");
    connection.describeAsOracle();
    connection.Params = oracleConnectionParams(settings);
    connection.open();
}

// The first row's values as text, by column name.
QString firstRow(DbConnection& connection, const QString& sql)
{
    SqlQuery q(&connection);
    q.openQuery(sql);
    QStringList fields;
    for (int i = 0; i < q.fieldCount(); ++i)
        fields << q.fieldText(i);
    return fields.join(QLatin1Char('|'));
}

}  // namespace

TEST(OracleClientFacts, ValuesArriveAsStored)
{
    const SchemaFile file(QStringLiteral(
        "create table V (BF BINARY_FLOAT, BF2 BINARY_FLOAT, N NUMBER, NC NCHAR(3), NV NVARCHAR2(10), NCL NCLOB,"
        " TSL \"TIMESTAMP(3) WITH LOCAL TIME ZONE\");"
        "insert into V values (1.1, 3.4028234663852886e38, cast('-1E125' as blob), '日本', '€中文', 'ÆØÅ 中',"
        " '2024-06-30 23:30:00.125');"));
    // A database whose character set lacks CJK, and a client machine
    // eight hours east of the database's zone.
    const ScopedVariable charset("QV_OCI_STANDIN_DB_CHARSET", "WE8MSWIN1252");
    const ScopedVariable zone("TZ", "Asia/Shanghai");
    DbConnection client;
    connectThroughClient(client, file);
    EXPECT_EQ(firstRow(client, QStringLiteral("select * from V")),
              QStringLiteral("1.1|3.4028235e+38|-1") + QString(125, u'0')
                  + QStringLiteral("|日本 |€中文|ÆØÅ 中|2024-06-30 23:30:00.125"));

    // A session zone the user asks for is the user's.
    client.close();
    const ScopedVariable session("ORA_SDTZ", "+05:00");
    connectThroughClient(client, file);
    EXPECT_EQ(firstRow(client, QStringLiteral("select TSL from V")), QStringLiteral("2024-07-01 04:30:00.125"));
}

TEST(OracleClientFacts, AFailedTimestampNamesItsColumnAndRow)
{
    const SchemaFile file(QStringLiteral("create table Z (ID NUMBER, TSZ \"TIMESTAMP(6) WITH TIME ZONE\");"
                                         "insert into Z values (1, '2001-02-03 04:05:06 +02:00'),"
                                         " (2, '2001-02-03 04:05:06 Europe/Paris');"));
    const ScopedVariable older("QV_OCI_STANDIN_OLDER_TZ_FILE", "1");
    DbConnection client;
    connectThroughClient(client, file);
    SqlQuery q(&client);
    EXPECT_EQ(failureOf([&] {
                  for (q.openQuery(QStringLiteral("select * from Z order by ID")); !q.eof(); q.next()) {
                  }
              }),
              QStringLiteral("Column TSZ, row 2: ORA-01805: possible error in date/time operation"));
}

TEST(OracleClientFacts, TheDictionaryHasTheRealViewsColumns)
{
    const SchemaFile file(QStringLiteral(
        "create table D (A NUMBER(3) default 7, B VARCHAR2(5), C \"NUMBER(3) INVISIBLE\", L CLOB);"
        "create index D_DESC on D (A desc); create index D_EXPR on D (UPPER(\"B\"));"
        "create table SYS_IOT_OVER_7 (X NUMBER); create table NT_STORE (X NUMBER); create table DR$IX$I (X NUMBER);"
        "create table quorvane_table_properties (TABLE_NAME, IOT_TYPE, IOT_NAME, NESTED, SECONDARY);"
        "insert into quorvane_table_properties values ('SYS_IOT_OVER_7', 'IOT_OVERFLOW', 'D', 'NO', 'N'),"
        " ('NT_STORE', null, null, 'YES', 'N'), ('DR$IX$I', null, null, 'NO', 'Y');"));
    DbConnection client;
    connectThroughClient(client, file);
    SqlQuery q(&client);
    const struct {
        const char* view;
        int columns;
        const char* column;  // one of them, with its kind
        ValueKind kind;
    } views[] = {
        {"user_tables", 83, "LAST_ANALYZED", ValueKind::DateTime},
        {"user_tab_columns", 36, "DATA_DEFAULT", ValueKind::Text},
        {"user_tab_columns", 36, "LOW_VALUE", ValueKind::Bytes},
        {"user_indexes", 61, "TABLE_TYPE", ValueKind::Text},
        {"user_ind_columns", 8, "DESCEND", ValueKind::Text},
        {"user_ind_expressions", 4, "COLUMN_EXPRESSION", ValueKind::Text},
        {"user_constraints", 22, "SEARCH_CONDITION", ValueKind::Text},
        {"user_constraints", 22, "LAST_CHANGE", ValueKind::DateTime},
        {"user_cons_columns", 5, "POSITION", ValueKind::Decimal},
        {"user_tab_identity_cols", 5, "IDENTITY_OPTIONS", ValueKind::Text},
        {"user_tab_comments", 4, "COMMENTS", ValueKind::Text},
        {"user_col_comments", 4, "ORIGIN_CON_ID", ValueKind::Decimal},
    };
    for (const auto& v : views) {
        SCOPED_TRACE(v.view);
        q.openQuery(QStringLiteral("select * from ") + QLatin1String(v.view));
        EXPECT_EQ(q.fieldCount(), v.columns);
        int found = -1;
        for (int i = 0; i < q.fieldCount(); ++i)
            if (q.fieldName(i) == QLatin1String(v.column))
                found = i;
        ASSERT_GE(found, 0);
        EXPECT_EQ(q.column(found).type, v.kind);
    }
    // Rows with and without a default (a LONG); the invisible column has no COLUMN_ID.
    q.openQuery(QStringLiteral("select column_name, data_default, column_id from user_tab_columns where table_name = 'D'"
                               " order by column_id nulls last"));
    QStringList columns;
    for (; !q.eof(); q.next())
        columns << q.fieldText(0) + QLatin1Char('=') + q.fieldText(1) + QLatin1Char('@') + q.fieldText(2);
    EXPECT_EQ(columns, (QStringList{"A=7@1", "B=@2", "L=@3", "C=@"}));
    EXPECT_EQ(firstRow(client, QStringLiteral("select i.index_type, c.column_name, c.descend, e.column_expression from "
                                              "user_indexes i join user_ind_columns c on c.index_name = i.index_name "
                                              "join user_ind_expressions e on e.index_name = i.index_name "
                                              "where i.index_name = 'D_DESC'")),
              QStringLiteral("FUNCTION-BASED NORMAL|SYS_NC00005$|DESC|\"A\""));
    EXPECT_EQ(firstRow(client, QStringLiteral("select column_expression from user_ind_expressions where index_name = "
                                              "'D_EXPR'")),
              QStringLiteral("UPPER(\"B\")"));

    // The listing leaves out what cannot be read on its own, which Oracle refuses to read.
    ConversionSession session;
    session.oraclesql.setConnection(&client);
    EXPECT_EQ(session.listSourceTables(), QStringList{"D"});
    EXPECT_EQ(failureOf([&] { q.openQuery(QStringLiteral("select * from SYS_IOT_OVER_7")); }),
              QStringLiteral("ORA-25191: cannot reference overflow table of an index-organized table"));
    // "select *" leaves the invisible column out; naming it reads it.
    q.openQuery(QStringLiteral("select * from D"));
    EXPECT_EQ(q.fieldCount(), 3);
    q.openQuery(QStringLiteral("select \"C\" from D"));
    EXPECT_EQ(q.fieldName(0), QStringLiteral("C"));
}

TEST(OracleClientFacts, HandlesAsARealClientLeavesThem)
{
    const SchemaFile file(QStringLiteral(
        "create table L (N NUMBER, C CLOB);"
        "with recursive k(n) as (select 1 union all select n + 1 from k where n < 45) insert into L select n, 'c' from k;"));
    {
        // Success with information is success.
        const ScopedVariable info("QV_OCI_STANDIN_ENV_INFO", "1");
        DbConnection client;
        connectThroughClient(client, file);
        EXPECT_EQ(firstRow(client, QStringLiteral("select count(*) from L")), QStringLiteral("45"));
    }
    DbConnection client;
    connectThroughClient(client, file);
    SqlQuery q(&client);
    {
        // A descriptor that cannot be had is told on the environment handle.
        const ScopedVariable limit("QV_OCI_STANDIN_DESCRIPTOR_LIMIT", "5");
        EXPECT_TRUE(failureOf([&] { q.openQuery(QStringLiteral("select * from L")); })
                        .startsWith(QStringLiteral("ORA-04030: out of process memory")));
    }
    // After a lost connection the prepare fails, and leaves nothing to release.
    const int before = OciStandIn::invalidHandleUses();
    qputenv("QV_OCI_STANDIN_FAIL_AFTER_ROWS", "30");
    EXPECT_EQ(failureOf([&] {
                  for (q.openQuery(QStringLiteral("select N from L")); !q.eof(); q.next()) {
                  }
              }),
              QStringLiteral("ORA-03113: end-of-file on communication channel"));
    qunsetenv("QV_OCI_STANDIN_FAIL_AFTER_ROWS");
    EXPECT_EQ(failureOf([&] { q.openQuery(QStringLiteral("select N from L")); }),
              QStringLiteral("ORA-03114: not connected to ORACLE"));
    EXPECT_EQ(OciStandIn::invalidHandleUses(), before);
}

TEST(OracleClientFacts, TheClientIsFoundAndAMissingDependencyIsNamed)
{
    const ScopedVariable named("QUORVANE_OCI_LIBRARY", "");
    qunsetenv("QUORVANE_OCI_LIBRARY");
    QTemporaryDir home;
    ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("lib")));
    const ScopedVariable oracleHome("ORACLE_HOME", QFile::encodeName(home.path()));
    const QString client = home.filePath(QStringLiteral("lib/libclntsh.so"));

    // A library whose own dependency is not there: the loader's words follow ours.
    ASSERT_TRUE(QFile::copy(QStringLiteral(QUORVANE_MISSING_DEPENDENCY_LIBRARY), client));
    const SchemaFile file(QStringLiteral("create table T (A NUMBER); insert into T values (1);"));
    DbConnection connection;
    connection.describeAsOracle();
    connection.Params = {QStringLiteral("Database=") + file.path(), QStringLiteral("User_Name=scott"),
                         QStringLiteral("Password=tiger")};
    const QStringList lines = failureOf([&] { connection.open(); }).split(u'\n');
    ASSERT_EQ(lines.size(), 2) << lines.join(u'\n').toStdString();
    EXPECT_EQ(lines.at(0),
              QStringLiteral("Unable to load libclntsh.so (ErrorCode 2).  It may be missing from the system path."));
    EXPECT_TRUE(lines.at(1).startsWith(QStringLiteral("libqv_vanished.so: cannot open shared object file")))
        << lines.at(1).toStdString();

    // The client under $ORACLE_HOME/lib is found when the plain name is not.
    ASSERT_TRUE(QFile::remove(client));
    ASSERT_TRUE(QFile::copy(OciStandIn::library(), client));
    connection.open();
    EXPECT_EQ(firstRow(connection, QStringLiteral("select * from T")), QStringLiteral("1"));
}
