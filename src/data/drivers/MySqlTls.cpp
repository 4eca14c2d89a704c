#include "MySqlTls.h"

#include "data/Errors.h"

#include <mysql.h>

#include <QFileInfo>

namespace qv {

namespace {

struct ModeName {
    TlsMode mode;
    const char* name;
};

const ModeName modeNames[] = {{TlsMode::Preferred, "PREFERRED"},
                              {TlsMode::Required, "REQUIRED"},
                              {TlsMode::VerifyCa, "VERIFY_CA"},
                              {TlsMode::VerifyIdentity, "VERIFY_IDENTITY"}};

// Methods whose messages are the same with or without TLS: a scramble, a
// signature, a Kerberos ticket. sha256_password is among them: it sends the
// password as it is only where TLS is up, and else under the server's RSA
// key (Connector/C plugins/auth/sha256_pw.c looks at the link itself).
const char scrambleMethods[] = "mysql_native_password,client_ed25519,auth_gssapi_client,sha256_password";

// Connector/C 3.3 lets caching_sha2_password send the password as it is
// whenever TLS was asked for, even when the server offered none
// (plugins/auth/caching_sha2_pw.c, is_connection_secure looks at use_ssl).
// It is allowed once the link is known: over TLS, or asking for no TLS, when
// it takes the server's RSA public key instead.
const char cachingSha2[] = "caching_sha2_password";
const char clearText[] = "mysql_clear_password";

QString valueOrEnvironment(const ConnectionDescription& description, const char* line, const char* variable)
{
    const QString value = description.value(QString::fromLatin1(line)).trimmed();
    return value.isEmpty() ? qEnvironmentVariable(variable).trimmed() : value;
}

}  // namespace

TlsMode tlsModeOf(const QString& text)
{
    const QString name = text.trimmed();
    if (name.isEmpty())
        return TlsMode::Preferred;
    for (const ModeName& m : modeNames)
        if (name.compare(QLatin1String(m.name), Qt::CaseInsensitive) == 0)
            return m.mode;
    throw Error(QStringLiteral("Unknown TLS mode '%1': use PREFERRED, REQUIRED, VERIFY_CA or VERIFY_IDENTITY").arg(text));
}

QString tlsModeName(TlsMode mode)
{
    for (const ModeName& m : modeNames)
        if (m.mode == mode)
            return QLatin1String(m.name);
    return {};
}

TlsChoice tlsChoiceOf(const ConnectionDescription& description)
{
    TlsChoice choice;
    choice.mode = tlsModeOf(valueOrEnvironment(description, "SslMode", "QUORVANE_MYSQL_SSL_MODE"));
    choice.caFile = valueOrEnvironment(description, "SslCa", "QUORVANE_MYSQL_SSL_CA");
    choice.clearTextLogin = description.value(QStringLiteral("ClearTextLogin")).trimmed() == QLatin1String("1")
                            || qEnvironmentVariable("QUORVANE_MYSQL_CLEARTEXT").trimmed() == QLatin1String("1");
    if (!choice.verifies())
        return choice;
    if (choice.caFile.isEmpty())
        throw Error(QStringLiteral("The TLS mode %1 needs the CA certificate file that verifies the server "
                                   "(sslca or QUORVANE_MYSQL_SSL_CA)")
                        .arg(tlsModeName(choice.mode)));
    // The library would only say that TLS failed.
    const QFileInfo file(choice.caFile);
    if (!file.isFile() || !file.isReadable())
        throw Error(QStringLiteral("The CA certificate file '%1' cannot be read").arg(choice.caFile));
    return choice;
}

Link linkBeforeLogin(const TlsChoice& choice)
{
    return choice.mode == TlsMode::VerifyIdentity ? Link::Tls : Link::Unknown;
}

QByteArray allowedAuthentication(const TlsChoice& choice, Link link)
{
    QByteArray methods(scrambleMethods);
    if (link != Link::Unknown)
        methods.append(',').append(cachingSha2);
    if (link == Link::Tls && choice.verifies() && choice.clearTextLogin)
        methods.append(',').append(clearText);
    return methods;
}

void setTlsOptions(st_mysql* mysql, const TlsChoice& choice, bool tls)
{
    // Every option is set, as Connector/C 3.4 verifies the server unless told
    // otherwise. The CA file alone checks the chain (OpenSSL's peer check);
    // the server certificate option adds the host name.
    const my_bool enforce = tls;
    const my_bool verifyIdentity = tls && choice.mode == TlsMode::VerifyIdentity;
    const QByteArray ca = choice.caFile.toLocal8Bit();
    const char* caFile = tls && choice.verifies() ? ca.constData() : nullptr;
    mysql_optionsv(mysql, MYSQL_OPT_SSL_ENFORCE, &enforce);
    mysql_optionsv(mysql, MYSQL_OPT_SSL_VERIFY_SERVER_CERT, &verifyIdentity);
    mysql_optionsv(mysql, MYSQL_OPT_SSL_CA, caFile);
    mysql_optionsv(mysql, MYSQL_OPT_SSL_CAPATH, nullptr);
    mysql_optionsv(mysql, MYSQL_OPT_SSL_CERT, nullptr);
    mysql_optionsv(mysql, MYSQL_OPT_SSL_KEY, nullptr);
    mysql_optionsv(mysql, MYSQL_OPT_SSL_CIPHER, nullptr);
    mysql_optionsv(mysql, MYSQL_OPT_SSL_CRL, nullptr);
    mysql_optionsv(mysql, MYSQL_OPT_SSL_CRLPATH, nullptr);
    mysql_optionsv(mysql, MARIADB_OPT_TLS_PEER_FP, nullptr);
    mysql_optionsv(mysql, MARIADB_OPT_TLS_PEER_FP_LIST, nullptr);
}

QString noTlsMessage(TlsMode mode)
{
    return QStringLiteral("The MySQL server offers no TLS, which the TLS mode %1 needs (sslmode)").arg(tlsModeName(mode));
}

QString refusedMethodMessage(const TlsChoice& choice)
{
    const QString refused =
        QStringLiteral("The MySQL server asks for an authentication method that sends the password as it is");
    if (choice.verifies() && choice.clearTextLogin)
        return refused + QStringLiteral(" and that Quorvane does not use (such as PAM's dialog)");
    return refused + QStringLiteral(". The clear-text login (mysql_clear_password: Amazon RDS IAM tokens, LDAP and "
                                    "TiDB accounts) is allowed only over TLS with a verified server certificate "
                                    "(sslmode=VERIFY_CA or VERIFY_IDENTITY with sslca) and with cleartextlogin=1 "
                                    "in the job or QUORVANE_MYSQL_CLEARTEXT=1");
}

}  // namespace qv
