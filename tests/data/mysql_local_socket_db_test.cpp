// Local mode finds the server's socket: MYSQL_UNIX_PORT as it is when the
// connection opens (not only when the library started), then the usual
// places; when none answers, the message names those tried.

#include "data/DbConnection.h"
#include "data/SqlQuery.h"
#include "support/Failure.h"
#include "support/TestDatabase.h"

#include <cstdlib>
#include <gtest/gtest.h>

using namespace qv;
using qv::test::failureOf;
using qv::test::TestDatabase;

TEST(MySqlLocalSocket, MysqlUnixPortFirstThenTheUsualPlacesEachNamedWhenNoneAnswers)
{
    TestDatabase db;  // the client library has started before the variable is set
    const QString usual = QStringLiteral("/run/mysqld/mysqld.sock, /var/run/mysqld/mysqld.sock, "
                                         "/var/lib/mysql/mysql.sock");
    const QString none = QStringLiteral("No local MySQL server answers on the sockets tried: %1 (MYSQL_UNIX_PORT "
                                        "names another)");
    const struct {
        QString variable;  // empty: unset
        QString expected;  // the login, or the failure
    } cases[] = {
        {db.sandbox().socket, QStringLiteral("qvtest@localhost")},
        {QStringLiteral("/nonexistent/mysqld.sock"), none.arg("/nonexistent/mysqld.sock, " + usual)},
        {QString(), none.arg(usual)},
        {QStringLiteral("/run/mysqld/mysqld.sock"), none.arg(usual)},  // tried once
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.variable.toStdString());
        if (c.variable.isEmpty())
            unsetenv("MYSQL_UNIX_PORT");
        else
            setenv("MYSQL_UNIX_PORT", c.variable.toLocal8Bit().constData(), 1);
        QString login;
        const QString failure = failureOf([&] {
            DbConnection connection;
            connection.describeAsMySql();
            connection.Params = db.params();
            connection.Params.replaceInStrings(QStringLiteral("HostName=127.0.0.1"), QStringLiteral("HostName=localhost"));
            connection.open();
            SqlQuery query(&connection);
            query.openQuery(QStringLiteral("select user()"));
            login = query.fieldValue(0).toText();
        });
        EXPECT_EQ(failure == QStringLiteral("(no failure)") ? login : failure, c.expected);
    }
    unsetenv("MYSQL_UNIX_PORT");
}
