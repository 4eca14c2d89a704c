#include "RunLock.h"

#include "data/Errors.h"
#include "data/SqlQuery.h"

#include <QStringList>

namespace qv {

QString RunLock::databaseLockName()
{
    return QStringLiteral("concat('quorvane:', sha1(coalesce(database(), '')))");
}

void RunLock::take(SqlQuery& mysqlexec, const QString& name)
{
    mysqlexec.openQuery(QStringLiteral("select database()"));
    const QString database = mysqlexec.fieldText(0);
    mysqlexec.close();
    // The lock function alone in its statement: Vitess's vtgate refuses it
    // beside any other expression ("VT12001: unsupported: LOCK function and
    // other expression"; Vitess docs, "Locking functions").
    mysqlexec.openQuery(QStringLiteral("select get_lock(") + name + QStringLiteral(", 0)"));
    const DbValue granted = mysqlexec.fieldValue(0);
    mysqlexec.close();
    if (granted.isNull()) {
        // GET_LOCK answers NULL for an error (MySQL manual, Locking
        // Functions), told in its warnings when it is told at all.
        QStringList warnings;
        mysqlexec.openQuery(QStringLiteral("show warnings"));
        for (; !mysqlexec.eof(); mysqlexec.next())
            warnings << mysqlexec.fieldText(2);
        mysqlexec.close();
        throw Error(QStringLiteral("The server could not lock the database %1 for this run: %2")
                        .arg(database, warnings.isEmpty() ? QStringLiteral("GET_LOCK answered NULL")
                                                          : warnings.join(QStringLiteral("; "))));
    }
    if (granted.toInteger() != 1)
        throw Error(QStringLiteral("Another Quorvane run is converting into the database %1 now; start this one "
                                   "when it has ended")
                        .arg(database));
}

void RunLock::release(SqlQuery& mysqlexec, const QString& name) noexcept
{
    try {
        mysqlexec.executeDirect(QStringLiteral("do release_lock(") + name + QLatin1Char(')'));
    } catch (const Error&) {
        // A lost connection has released it already.
    }
}

}  // namespace qv
