#include "data/DbConnection.h"
#include "support/Failure.h"

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
