// The connection to a MySQL-protocol server: its options (character set,
// time limits, authentication, TLS) and the login; the session it opens is
// MySqlSession.

#include "MySqlDriver.h"

#include "MySqlCharset.h"
#include "MySqlLocalSocket.h"
#include "MySqlSession.h"
#include "MySqlTls.h"
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
// table engine; a copied 0 in an AUTO_INCREMENT column stays 0 rather than
// taking the next number (manual, "Server SQL Modes", NO_AUTO_VALUE_ON_ZERO).
const char strictModeCommand[] = "SET SESSION sql_mode = TRIM(BOTH ',' FROM CONCAT(@@SESSION.sql_mode, "
                                 "',STRICT_ALL_TABLES,NO_AUTO_VALUE_ON_ZERO'))";

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

using Handle = std::unique_ptr<MYSQL, decltype(&mysql_close)>;

// The inputs of every connection attempt, as the server reads them.
struct LoginInputs {
    LoginInputs(MySqlTextCodec textCodec, TimeLimits timeLimits) : codec(std::move(textCodec)), limits(timeLimits) {}

    std::optional<QByteArray> host;
    std::optional<QByteArray> database;
    QByteArray user;
    QByteArray password;
    uint port = 0;  // the client library's default
    std::optional<QByteArray> charset;
    MySqlTextCodec codec;
    TimeLimits limits;
};

// What one attempt left: a connected handle, or the failure with the
// capabilities of the server's greeting (0 when no greeting came).
struct Attempt {
    Handle handle{nullptr, &mysql_close};
    unsigned code = 0;
    QString message;
    unsigned long serverCapabilities = 0;
};

Attempt attempt(const LoginInputs& in, const std::optional<QByteArray>& socket, const TlsChoice& choice, Link link)
{
    Attempt result;
    result.handle.reset(mysql_init(nullptr));
    MYSQL* mysql = result.handle.get();
    if (!mysql)
        throw Error(QStringLiteral("The MySQL client library could not allocate a connection"));
    const unsigned int noLocalInfile = 0;
    mysql_options(mysql, MYSQL_OPT_LOCAL_INFILE, &noLocalInfile);
    mysql_options(mysql, MYSQL_OPT_CONNECT_TIMEOUT, &in.limits.connectSeconds);
    mysql_options(mysql, MYSQL_OPT_READ_TIMEOUT, &in.limits.answerSeconds);
    mysql_options(mysql, MYSQL_OPT_WRITE_TIMEOUT, &in.limits.answerSeconds);
    const QByteArray allowed = allowedAuthentication(choice, link);
    mysql_optionsv(mysql, MARIADB_OPT_RESTRICTED_AUTH, allowed.constData());
    // TLS whenever the server offers it, but for a link known to have none.
    setTlsOptions(mysql, choice, link != Link::Clear);
    mysql_options(mysql, MYSQL_INIT_COMMAND, strictModeCommand);
    if (in.charset)
        mysql_options(mysql, MYSQL_SET_CHARSET_NAME, in.charset->constData());

    // No CLIENT_MULTI_STATEMENTS: one statement per call.
    QElapsedTimer connecting;
    connecting.start();
    if (mysql_real_connect(mysql, orNull(in.host), in.user.constData(), in.password.constData(), orNull(in.database),
                           in.port, orNull(socket), 0))
        return result;
    result.code = mysql_errno(mysql);
    result.message = lastError(mysql, in.codec);
    const bool silent =
        (result.code == CR_SERVER_LOST || result.code == CR_CONN_HOST_ERROR || result.code == CR_CONNECTION_ERROR)
        && connecting.elapsed() + 500 >= qint64(in.limits.connectSeconds) * 1000;
    if (silent)
        result.message = QStringLiteral("The MySQL server did not answer within %1 seconds (%2)")
                             .arg(in.limits.connectSeconds)
                             .arg(result.message);
    mariadb_get_infov(mysql, MARIADB_CONNECTION_SERVER_CAPABILITIES, &result.serverCapabilities);
    result.handle.reset();
    return result;
}

// Refuses a connection without TLS when the mode needs it.
Attempt checkedTls(Attempt connected, const TlsChoice& choice)
{
    if (choice.mode != TlsMode::Preferred && !mysql_get_ssl_cipher(connected.handle.get()))
        throw Error(noTlsMessage(choice.mode));
    return connected;
}

// Logs in on one link: a host's port or one socket. Until the greeting
// tells whether the server offers TLS, only methods that send nothing
// secret in clear may run; a login that needs another one is tried again on
// the link the greeting told, without TLS where there is none.
Attempt login(const LoginInputs& in, const std::optional<QByteArray>& socket, const TlsChoice& choice)
{
    const Link before = linkBeforeLogin(choice);
    Attempt first = attempt(in, socket, choice, before);
    if (first.handle)
        return checkedTls(std::move(first), choice);
    const bool greeted = first.serverCapabilities != 0;
    const bool serverTls = (first.serverCapabilities & CLIENT_SSL) != 0;
    if (greeted && !serverTls && choice.mode != TlsMode::Preferred)
        throw Error(noTlsMessage(choice.mode));
    if (first.code != CR_PLUGIN_NOT_ALLOWED)
        return first;
    if (before == Link::Unknown && greeted) {
        Attempt second = attempt(in, socket, choice, serverTls ? Link::Tls : Link::Clear);
        if (second.handle)
            return checkedTls(std::move(second), choice);
        if (second.code != CR_PLUGIN_NOT_ALLOWED)
            return second;
    }
    throw Error(refusedMethodMessage(choice));
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
    LoginInputs in(MySqlTextCodec::forCharset(charsetGiven ? charset : QStringLiteral("utf8mb4")),
                   TimeLimits::fromEnvironment());
    const QString hostName = description.value(QStringLiteral("HostName"));
    if (!hostName.isEmpty())
        in.host = hostName.toUtf8();
    in.database = optionalText(description.value(QStringLiteral("Database")), in.codec);
    in.user = in.codec.encode(description.value(QStringLiteral("User_Name")));
    in.password = description.value(QStringLiteral("Password")).toUtf8();
    if (charsetGiven)
        in.charset = charset.toLatin1();
    // Only a port that is one: a value the library would take as "the
    // default" could reach another server. The local server is reached
    // through its socket, where an empty port means the default.
    const QString portText = description.value(QStringLiteral("Port"));
    const bool throughSocket = hostName.isEmpty() || hostName == QLatin1String("localhost");
    if (!throughSocket || !portText.trimmed().isEmpty()) {
        bool portOk = false;
        in.port = portText.trimmed().toUInt(&portOk);
        if (!portOk || in.port < 1 || in.port > 65535)
            throw Error(QStringLiteral("The port '%1' is not a whole number from 1 to 65535").arg(portText));
    }
    const TlsChoice choice = tlsChoiceOf(description);

    Attempt connected;
    if (!throughSocket) {
        connected = login(in, std::nullopt, choice);
    } else {
        // The first socket a server answers on; any other failure is that
        // server's answer.
        QStringList tried;
        for (const QString& path : localSocketCandidates()) {
            connected = login(in, path.toLocal8Bit(), choice);
            if (connected.handle || connected.code != CR_CONNECTION_ERROR)
                break;
            tried << path;
        }
        if (!connected.handle && connected.code == CR_CONNECTION_ERROR)
            throw Error(noLocalServerMessage(tried));
    }
    if (!connected.handle)
        throw Error(connected.message);

    // The character set the connection really uses, as the library reports it.
    MYSQL* mysql = connected.handle.get();
    const char* actual = mysql_character_set_name(mysql);
    MySqlTextCodec codec = MySqlTextCodec::forCharset(QString::fromLatin1(actual ? actual : "utf8mb4"));
    auto session = std::make_unique<MySqlSession>(mysql, std::move(codec), in.limits);
    connected.handle.release();  // the session closes it now
    return session;
}

}  // namespace qv
