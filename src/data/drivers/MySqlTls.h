#pragma once

// How a MySQL connection protects the password and the data: the TLS mode
// and its options, and the authentication methods a login may use on the
// link it has. No I/O; the login itself is MySqlDriver's.

#include "data/Driver.h"

#include <QByteArray>
#include <QString>

struct st_mysql;  // Connector/C's MYSQL

namespace qv {

// The modes of the mysql client's --ssl-mode (MySQL Reference Manual,
// "Command Options for Encrypted Connections"), without DISABLED: a
// connection asks for TLS whenever the server offers it.
enum class TlsMode { Preferred, Required, VerifyCa, VerifyIdentity };

struct TlsChoice {
    TlsMode mode = TlsMode::Preferred;
    QString caFile;               // the CA certificates that verify the server; empty: none
    bool clearTextLogin = false;  // the user allows mysql_clear_password over a verified link

    bool verifies() const { return mode == TlsMode::VerifyCa || mode == TlsMode::VerifyIdentity; }
};

// The mode a name gives, ignoring case and blanks around it; the empty text
// is PREFERRED. Raises Error "Unknown TLS mode 'X': use PREFERRED, REQUIRED,
// VERIFY_CA or VERIFY_IDENTITY".
TlsMode tlsModeOf(const QString& text);
QString tlsModeName(TlsMode mode);

// The choice of a connection description's SslMode, SslCa and ClearTextLogin
// lines. An empty SslMode or SslCa takes QUORVANE_MYSQL_SSL_MODE or
// QUORVANE_MYSQL_SSL_CA; the clear-text login is allowed when the line or
// QUORVANE_MYSQL_CLEARTEXT is "1". Raises Error for an unknown mode and for a
// verifying mode without a readable CA file.
TlsChoice tlsChoiceOf(const ConnectionDescription& description);

// What the client knows of the link while it logs in.
enum class Link { Unknown, Tls, Clear };

// Before the server's greeting: TLS for VERIFY_IDENTITY, which Connector/C
// itself refuses to log in without (plugins/auth/my_auth.c, "SSL is
// required"); unknown otherwise.
Link linkBeforeLogin(const TlsChoice& choice);

// The authentication methods a login on `link` may use, as
// MARIADB_OPT_RESTRICTED_AUTH takes them. Only methods that keep the password
// off an unprotected wire; caching_sha2_password once the link is known,
// mysql_clear_password only over verified TLS with the user's leave.
QByteArray allowedAuthentication(const TlsChoice& choice, Link link);

// Sets every TLS option of `mysql` for the choice, so that the client
// library's defaults play no part; `tls` false asks for none.
void setTlsOptions(st_mysql* mysql, const TlsChoice& choice, bool tls);

// "The MySQL server offers no TLS, which the TLS mode REQUIRED needs (sslmode)".
QString noTlsMessage(TlsMode mode);
// A login refused because the server asked for a method outside the allowed
// ones; says how the clear-text login is allowed.
QString refusedMethodMessage(const TlsChoice& choice);

}  // namespace qv
