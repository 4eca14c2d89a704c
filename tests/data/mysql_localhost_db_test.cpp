// "localhost" reaches the local server through the client library's default
// socket, whatever the port says. The library takes that default from
// MYSQL_UNIX_PORT when it starts, so the variable is set before main().

#include "data/DbConnection.h"
#include "data/Errors.h"
#include "data/SqlQuery.h"
#include "support/TestDatabase.h"

#include <QFile>
#include <QRegularExpression>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace qv;
using qv::test::TestDatabase;

namespace {

const bool socketAsDefault = [] {
    QFile file(qEnvironmentVariable("QUORVANE_SANDBOX") + QStringLiteral("/socket"));
    if (file.open(QIODevice::ReadOnly))
        setenv("MYSQL_UNIX_PORT", file.readAll().trimmed().constData(), 1);
    return true;
}();

QString loginOf(DbConnection& connection)
{
    SqlQuery query(&connection);
    query.openQuery(QStringLiteral("select user()"));
    return query.fieldValue(0).toText();
}

}  // namespace

TEST(MySqlLocalhost, LocalhostAndAnEmptyHostUseTheSocketAndIgnoreThePort)
{
    ASSERT_TRUE(socketAsDefault);
    TestDatabase db;
    // An empty port is the default there, as Local mode without a port sends it.
    for (const QString& host : {QStringLiteral("localhost"), QString()})
        for (const QString& port : {QStringLiteral("1"), QString()}) {
            SCOPED_TRACE((host + QStringLiteral(" port ") + port).toStdString());
            DbConnection connection;
            connection.describeAsMySql();
            connection.Params = db.params(QStringLiteral("utf8"));
            connection.Params.replaceInStrings(QStringLiteral("HostName=127.0.0.1"),
                                               QStringLiteral("HostName=") + host);
            connection.Params.replaceInStrings(QRegularExpression(QStringLiteral("^Port=.*")),
                                               QStringLiteral("Port=") + port);
            connection.open();
            // Over the socket the server sees the client as coming from localhost.
            EXPECT_EQ(loginOf(connection), QStringLiteral("qvtest@localhost"));
        }

    // The same port over TCP is refused, so the port above was not used.
    DbConnection tcp;
    tcp.describeAsMySql();
    tcp.Params = db.params();
    tcp.Params.replaceInStrings(QRegularExpression(QStringLiteral("^Port=.*")), QStringLiteral("Port=1"));
    EXPECT_THROW(tcp.open(), Error);
    EXPECT_FALSE(tcp.connected());

    // Blanks around the port number do not matter.
    DbConnection padded;
    padded.describeAsMySql();
    padded.Params = db.params();
    padded.Params.replaceInStrings(QRegularExpression(QStringLiteral("^Port=(.*)")), QStringLiteral("Port= \\1 "));
    padded.open();
    EXPECT_EQ(loginOf(padded), QStringLiteral("qvtest@127.0.0.1"));
}
