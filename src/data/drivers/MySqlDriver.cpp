// The connection to a MySQL-protocol server: its options (character set,
// time limits, authentication, TLS) and the login; the session it opens is
// MySqlSession.

#include "MySqlDriver.h"

#include "MySqlCharset.h"
#include "MySqlSession.h"
#include "data/Errors.h"

#include <errmsg.h>
#include <mysql.h>

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include <memory>
#include <optional>

namespace qv {

namespace {

// The server never accepts these as a connection character set; they are all
// Unicode, so utf8mb4 carries every character their columns can hold.
bool wideCharset(const QString& name)
{
    static const char* const wide[] = {"ucs2", "utf16", "utf16le", "utf32"};
    for (const char* w : wide)
        if (name.compare(QLatin1String(w), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// Keeps each session's changes to the server's sql_mode: a too-long text or
// an out-of-range number is refused rather than cut with a warning, on every
// table engine.
const char strictModeCommand[] =
    "SET SESSION sql_mode = TRIM(BOTH ',' FROM CONCAT(@@SESSION.sql_mode, ',STRICT_ALL_TABLES'))";

// Every authentication method that keeps the password off the wire: the
// clear-text method and PAM's dialog would send it as it is.
const char allowedAuthentication[] =
    "mysql_native_password,client_ed25519,caching_sha2_password,sha256_password,auth_gssapi_client";

// Text of a connection parameter in the bytes the server reads it in; an
// empty value means the client library's default.
std::optional<QByteArray> optionalText(const QString& value, const MySqlTextCodec& codec)
{
    if (value.isEmpty())
        return std::nullopt;
    return codec.encode(value);
}

const char* orNull(const std::optional<QByteArray>& bytes)
{
    return bytes ? bytes->constData() : nullptr;
}

}  // namespace

std::unique_ptr<DriverSession> openMySqlSession(const ConnectionDescription& description)
{
    const QString requested = description.value(QStringLiteral("ServerCharSet")).trimmed();
    const bool charsetGiven = !requested.isEmpty();
    const QString charset = wideCharset(requested) ? QStringLiteral("utf8mb4") : requested;

    // The server reads the user and database names in the connection
    // character set; the password is checked as bytes, and passwords are set
    // in UTF-8 nearly everywhere.
    const MySqlTextCodec loginCodec =
        MySqlTextCodec::forCharset(charsetGiven ? charset : QStringLiteral("utf8mb4"));
    const QString hostName = description.value(QStringLiteral("HostName"));
    const std::optional<QByteArray> host = hostName.isEmpty() ? std::nullopt : std::optional(hostName.toUtf8());
    const std::optional<QByteArray> database = optionalText(description.value(QStringLiteral("Database")), loginCodec);
    const QByteArray user = loginCodec.encode(description.value(QStringLiteral("User_Name")));
    const QByteArray password = description.value(QStringLiteral("Password")).toUtf8();
    // Only a port that is one: a value the library would take as "the
    // default" could reach another server. The local server is reached
    // through its socket, where an empty port means the default.
    const QString portText = description.value(QStringLiteral("Port"));
    const bool throughSocket = hostName.isEmpty() || hostName == QLatin1String("localhost");
    uint port = 0;  // the client library's default
    if (!throughSocket || !portText.trimmed().isEmpty()) {
        bool portOk = false;
        port = portText.trimmed().toUInt(&portOk);
        if (!portOk || port < 1 || port > 65535)
            throw Error(QStringLiteral("The port '%1' is not a whole number from 1 to 65535").arg(portText));
    }
    const TimeLimits limits = TimeLimits::fromEnvironment();

    std::unique_ptr<MYSQL, decltype(&mysql_close)> handle(mysql_init(nullptr), &mysql_close);
    MYSQL* mysql = handle.get();
    if (!mysql)
        throw Error(QStringLiteral("The MySQL client library could not allocate a connection"));
    const unsigned int noLocalInfile = 0;
    mysql_options(mysql, MYSQL_OPT_LOCAL_INFILE, &noLocalInfile);
    mysql_options(mysql, MYSQL_OPT_CONNECT_TIMEOUT, &limits.connectSeconds);
    mysql_options(mysql, MYSQL_OPT_READ_TIMEOUT, &limits.answerSeconds);
    mysql_options(mysql, MYSQL_OPT_WRITE_TIMEOUT, &limits.answerSeconds);
    mysql_optionsv(mysql, MARIADB_OPT_RESTRICTED_AUTH, allowedAuthentication);
    // TLS whenever the server offers it; a server without it is still reached.
    mysql_ssl_set(mysql, nullptr, nullptr, nullptr, nullptr, nullptr);
    mysql_options(mysql, MYSQL_INIT_COMMAND, strictModeCommand);
    const QByteArray charsetName = charset.toLatin1();
    if (charsetGiven)
        mysql_options(mysql, MYSQL_SET_CHARSET_NAME, charsetName.constData());

    // No CLIENT_MULTI_STATEMENTS: one statement per call.
    QElapsedTimer connecting;
    connecting.start();
    if (!mysql_real_connect(mysql, orNull(host), user.constData(), password.constData(), orNull(database), port,
                            nullptr, 0)) {
        const unsigned code = mysql_errno(mysql);
        const bool silent = (code == CR_SERVER_LOST || code == CR_CONN_HOST_ERROR || code == CR_CONNECTION_ERROR)
                            && connecting.elapsed() + 500 >= qint64(limits.connectSeconds) * 1000;
        if (silent)
            throw Error(QStringLiteral("The MySQL server did not answer within %1 seconds (%2)")
                            .arg(limits.connectSeconds)
                            .arg(lastError(mysql, loginCodec)));
        throw Error(lastError(mysql, loginCodec));
    }

    // The character set the connection really uses, as the library reports it.
    const char* actual = mysql_character_set_name(mysql);
    MySqlTextCodec codec = MySqlTextCodec::forCharset(QString::fromLatin1(actual ? actual : "utf8mb4"));
    auto session = std::make_unique<MySqlSession>(mysql, std::move(codec), limits);
    handle.release();  // the session closes it now
    return session;
}

}  // namespace qv
