#include "MySqlLocalSocket.h"

#include <mysql.h>

namespace qv {

QStringList localSocketCandidates()
{
    QStringList candidates;
    const auto add = [&candidates](const QString& path) {
        if (!path.isEmpty() && !candidates.contains(path))
            candidates << path;
    };
    // Read on each connection: the library reads it only once, when it starts.
    add(qEnvironmentVariable("MYSQL_UNIX_PORT"));
    add(QString::fromLocal8Bit(MARIADB_UNIX_ADDR));
    add(QStringLiteral("/run/mysqld/mysqld.sock"));
    add(QStringLiteral("/var/run/mysqld/mysqld.sock"));
    add(QStringLiteral("/var/lib/mysql/mysql.sock"));
    return candidates;
}

QString noLocalServerMessage(const QStringList& tried)
{
    return QStringLiteral("No local MySQL server answers on the sockets tried: %1 (MYSQL_UNIX_PORT names another)")
        .arg(tried.join(QStringLiteral(", ")));
}

}  // namespace qv
