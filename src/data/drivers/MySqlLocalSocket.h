#pragma once

// Where the local MySQL server's Unix socket may be: the places Local mode
// tries, in order.

#include <QStringList>

namespace qv {

// MYSQL_UNIX_PORT when set, then the client library's default, then
// /run/mysqld/mysqld.sock (Debian, Ubuntu), /var/run/mysqld/mysqld.sock
// (older systems) and /var/lib/mysql/mysql.sock (Red Hat, SUSE); each once.
QStringList localSocketCandidates();

// "No local MySQL server answers on the sockets tried: A, B (...)".
QString noLocalServerMessage(const QStringList& tried);

}  // namespace qv
