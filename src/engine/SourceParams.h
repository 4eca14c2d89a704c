#pragma once

#include <QString>
#include <QStringList>

namespace qv {

// The twelve parameter lines of the Oracle source connection, in their fixed
// order: the service, user name and password exactly as typed, then the
// driver's settings (20 rows per fetch, LOBs whole, blanks of CHAR kept).
QStringList oracleConnectionParams(const QString& service, const QString& user, const QString& password);

}  // namespace qv
