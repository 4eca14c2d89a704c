// TLS modes and the clear-text login against the two sandboxes: one with TLS
// and a CA of its own, one without TLS.

#include "data/DbConnection.h"
#include "data/SqlQuery.h"
#include "engine/ConversionSession.h"
#include "support/Failure.h"
#include "support/TestDatabase.h"

#include <cstdlib>
#include <gtest/gtest.h>

using namespace qv;
using qv::test::failureOf;
using qv::test::Sandbox;

namespace {

const QString noFailure = QStringLiteral("(no failure)");

QStringList loginParams(const Sandbox& sandbox, const QString& host, const QStringList& tls,
                        const QString& user = QLatin1String(Sandbox::user))
{
    return QStringList{QStringLiteral("Database="), QStringLiteral("User_Name=") + user,
                       QStringLiteral("Password=") + QLatin1String(Sandbox::password),
                       QStringLiteral("Port=%1").arg(sandbox.port), QStringLiteral("HostName=") + host}
           + tls;
}

// "tls" or "clear" as the session's Ssl_cipher says, or the failure.
QString outcome(const QStringList& params)
{
    QString cipher;
    const QString failure = failureOf([&] {
        DbConnection connection;
        connection.describeAsMySql();
        connection.Params = params;
        connection.open();
        SqlQuery query(&connection);
        query.openQuery(QStringLiteral("show session status like 'Ssl_cipher'"));
        cipher = query.fieldValue(1).toText();
    });
    if (failure != noFailure)
        return failure;
    return cipher.isEmpty() ? QStringLiteral("clear") : QStringLiteral("tls");
}

// Sets an environment variable for one scope; an empty value unsets it.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const QString& value) : name_(name)
    {
        if (value.isEmpty())
            unsetenv(name);
        else
            setenv(name, value.toLocal8Bit().constData(), 1);
    }
    ~ScopedVariable() { unsetenv(name_); }

private:
    const char* name_;
};

class MySqlTls : public ::testing::Test {
protected:
    Sandbox tls = Sandbox::fromEnvironment("QUORVANE_TLS_SANDBOX");
    Sandbox plain = Sandbox::fromEnvironment();
    QString ca = tls.folder + QStringLiteral("/tls/ca.pem");
    QString otherCa = tls.folder + QStringLiteral("/tls/other-ca.pem");
};

struct Case {
    const char* what;
    bool tlsServer;
    QString host;
    QStringList lines;
    QString expected;  // "tls", "clear" or the message's beginning
};

void check(const Case& c, const Sandbox& tls, const Sandbox& plain)
{
    SCOPED_TRACE(c.what);
    const QString result = outcome(loginParams(c.tlsServer ? tls : plain, c.host, c.lines));
    EXPECT_TRUE(result.startsWith(c.expected)) << result.toStdString();
}

}  // namespace

TEST_F(MySqlTls, EachModeConnectsOverTlsOrRefusesAsTheMysqlClientDoes)
{
    const QString local = QStringLiteral("127.0.0.1");
    const QString unnamed = QStringLiteral("127.1");  // the same server, a name the certificate lacks
    const QString noTls = QStringLiteral("The MySQL server offers no TLS, which the TLS mode %1 needs (sslmode)");
    const QString badCertificate = QStringLiteral("TLS/SSL error");
    const QString caLine = QStringLiteral("SslCa=") + ca;
    const Case cases[] = {
        {"no mode is PREFERRED", true, local, {}, "tls"},
        {"PREFERRED", true, local, {"SslMode=PREFERRED"}, "tls"},
        {"REQUIRED", true, local, {"SslMode=REQUIRED"}, "tls"},
        {"VERIFY_CA, its CA", true, local, {"SslMode=VERIFY_CA", caLine}, "tls"},
        {"VERIFY_CA checks no name", true, unnamed, {"SslMode=VERIFY_CA", caLine}, "tls"},
        {"VERIFY_CA, another CA", true, local, {"SslMode=VERIFY_CA", "SslCa=" + otherCa}, badCertificate},
        {"VERIFY_IDENTITY, its name", true, local, {"SslMode= verify_identity ", caLine}, "tls"},
        {"VERIFY_IDENTITY, a name it lacks", true, unnamed, {"SslMode=VERIFY_IDENTITY", caLine}, badCertificate},
        {"VERIFY_IDENTITY, another CA", true, local, {"SslMode=VERIFY_IDENTITY", "SslCa=" + otherCa},
         badCertificate},
        {"PREFERRED without TLS", false, local, {"SslMode=PREFERRED"}, "clear"},
        {"REQUIRED without TLS", false, local, {"SslMode=REQUIRED"}, noTls.arg("REQUIRED")},
        {"VERIFY_CA without TLS", false, local, {"SslMode=VERIFY_CA", caLine}, noTls.arg("VERIFY_CA")},
        {"VERIFY_IDENTITY without TLS", false, local, {"SslMode=VERIFY_IDENTITY", caLine},
         noTls.arg("VERIFY_IDENTITY")},
        {"an unknown mode", true, local, {"SslMode=DISABLED"},
         "Unknown TLS mode 'DISABLED': use PREFERRED, REQUIRED, VERIFY_CA or VERIFY_IDENTITY"},
        {"verifying without a CA", true, local, {"SslMode=VERIFY_CA"},
         "The TLS mode VERIFY_CA needs the CA certificate file that verifies the server (sslca or "
         "QUORVANE_MYSQL_SSL_CA)"},
        {"a CA file that is not there", true, local, {"SslMode=VERIFY_IDENTITY", "SslCa=/nonexistent/ca.pem"},
         "The CA certificate file '/nonexistent/ca.pem' cannot be read"},
    };
    for (const Case& c : cases)
        check(c, tls, plain);
}

TEST_F(MySqlTls, TheEnvironmentServesWhereTheConnectionNamesNothing)
{
    const ScopedVariable mode("QUORVANE_MYSQL_SSL_MODE", QStringLiteral("REQUIRED"));
    const ScopedVariable caFile("QUORVANE_MYSQL_SSL_CA", ca);
    const QString local = QStringLiteral("127.0.0.1");
    const Case cases[] = {
        {"REQUIRED from the environment", false, local, {"SslMode="},
         "The MySQL server offers no TLS, which the TLS mode REQUIRED needs (sslmode)"},
        {"the connection's mode wins", false, local, {"SslMode=PREFERRED"}, "clear"},
        {"the environment's CA", true, local, {"SslMode=VERIFY_IDENTITY", "SslCa="}, "tls"},
        {"the connection's CA wins", true, local, {"SslMode=VERIFY_CA", "SslCa=" + otherCa}, "TLS/SSL error"},
    };
    for (const Case& c : cases)
        check(c, tls, plain);
}

TEST_F(MySqlTls, AConversionsTlsInputsReachItsConnection)
{
    ConversionSettings settings;
    settings.accessMode = 1;
    settings.host = QStringLiteral("127.0.0.1");
    settings.port = QString::number(tls.port);
    settings.user = QLatin1String(Sandbox::user);
    settings.password = QLatin1String(Sandbox::password);
    EXPECT_EQ(outcome(mysqlConnectionParams(settings)), "tls");
    settings.sslMode = QStringLiteral("VERIFY_IDENTITY");
    settings.sslCa = otherCa;
    EXPECT_TRUE(outcome(mysqlConnectionParams(settings)).startsWith("TLS/SSL error"));
    settings.sslCa = ca;
    settings.clearTextLogin = true;
    EXPECT_EQ(outcome(mysqlConnectionParams(settings)), "tls");
    EXPECT_TRUE(mysqlConnectionParams(settings).contains("ClearTextLogin=1"));
    settings.port = QString::number(plain.port);
    EXPECT_EQ(outcome(mysqlConnectionParams(settings)),
              "The MySQL server offers no TLS, which the TLS mode VERIFY_IDENTITY needs (sslmode)");
}

TEST_F(MySqlTls, TheClearTextLoginRunsOnlyOverVerifiedTlsWithTheUsersLeave)
{
    // The TLS sandbox's PAM accounts ask for mysql_clear_password; the PAM
    // service does not exist, so a password that reaches the server is
    // refused by the server, and one that does not, by the client.
    DbConnection admin;
    admin.describeAsMySql();
    admin.Params = loginParams(tls, QStringLiteral("127.0.0.1"), {});
    admin.open();
    SqlQuery(&admin).executeDirect(
        QStringLiteral("create user if not exists 'qvpam'@'%' identified via pam using 'quorvane-none'"));

    const QString refused = QStringLiteral("The MySQL server asks for an authentication method that sends the "
                                           "password as it is. The clear-text login");
    const QString serverChecked = QStringLiteral("Access denied for user 'qvpam'");
    const QString caLine = QStringLiteral("SslCa=") + ca;
    const struct {
        const char* what;
        QStringList lines;
        QString environment;  // QUORVANE_MYSQL_CLEARTEXT
        QString expected;
    } cases[] = {
        {"never asked for", {"SslMode=VERIFY_IDENTITY", caLine}, "", refused},
        {"asked for, not verified", {"SslMode=REQUIRED", "ClearTextLogin=1"}, "", refused},
        {"asked for, PREFERRED", {"ClearTextLogin=1"}, "1", refused},
        {"\"0\" is no leave", {"SslMode=VERIFY_CA", caLine, "ClearTextLogin=0"}, "0", refused},
        {"VERIFY_CA and the line", {"SslMode=VERIFY_CA", caLine, "ClearTextLogin=1"}, "", serverChecked},
        {"VERIFY_IDENTITY and the environment", {"SslMode=VERIFY_IDENTITY", caLine}, "1", serverChecked},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const ScopedVariable consent("QUORVANE_MYSQL_CLEARTEXT", c.environment);
        const QString result =
            outcome(loginParams(tls, QStringLiteral("127.0.0.1"), c.lines, QStringLiteral("qvpam")));
        EXPECT_TRUE(result.startsWith(c.expected)) << result.toStdString();
    }
    SqlQuery(&admin).executeDirect(QStringLiteral("drop user 'qvpam'@'%'"));
}
