#include "SourceParams.h"

namespace qv {

QStringList oracleConnectionParams(const QString& service, const QString& user, const QString& password)
{
    return {QStringLiteral("Database=") + service,
            QStringLiteral("User_Name=") + user,
            QStringLiteral("Password=") + password,
            QStringLiteral("DriverName=Oracle"),
            QStringLiteral("RowsetSize=20"),
            QStringLiteral("BlobSize=-1"),
            QStringLiteral("LocaleCode=0000"),
            QStringLiteral("ErrorResourceFile="),
            QStringLiteral("Oracle TransIsolation=ReadCommited"),
            QStringLiteral("OS Authentication=False"),
            QStringLiteral("Multiple Transaction=False"),
            QStringLiteral("Trim Char=False")};
}

}  // namespace qv
