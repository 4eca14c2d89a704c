#pragma once

#include <QString>

namespace qv {

class SqlQuery;

// One run at a time per target database: a named server lock (GET_LOCK),
// held by the target connection until released or the connection ends.
class RunLock {
public:
    // The lock of the connection's current database.
    static QString databaseLockName();

    // Takes the lock that the SQL expression `name` names, on the connection
    // of `mysqlexec`, without waiting. Raises qv::Error when another session
    // holds it ("Another Quorvane run is converting..."), and with the
    // server's own account when the server answers NULL, its sign of an error.
    static void take(SqlQuery& mysqlexec, const QString& name = databaseLockName());
    // Releases it; a connection that is gone has released it already.
    static void release(SqlQuery& mysqlexec, const QString& name = databaseLockName()) noexcept;
};

}  // namespace qv
