#include "ConversionSession.h"

#include "ConversionRun.h"
#include "TableSteps.h"

namespace qv {

ConversionSession::ConversionSession() = default;

QStringList oracleConnectionParams(const ConversionSettings& settings)
{
    return {QStringLiteral("Database=") + settings.oracleService,
            QStringLiteral("User_Name=") + settings.oracleUser,
            QStringLiteral("Password=") + settings.oraclePassword,
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

QStringList mysqlConnectionParams(const ConversionSettings& settings)
{
    QStringList params;
    if (settings.characterSetEntry > 0)
        params << QStringLiteral("ServerCharSet=") + settings.connectionCharacterSet();
    params << QStringLiteral("Database=") + settings.database << QStringLiteral("User_Name=") + settings.user
           << QStringLiteral("Password=") + settings.password << QStringLiteral("Port=") + settings.port
           << QStringLiteral("HostName=") + settings.targetHost();
    // Only what was given: the driver takes the environment's for the rest.
    if (!settings.sslMode.isEmpty())
        params << QStringLiteral("SslMode=") + settings.sslMode;
    if (!settings.sslCa.isEmpty())
        params << QStringLiteral("SslCa=") + settings.sslCa;
    if (settings.clearTextLogin)
        params << QStringLiteral("ClearTextLogin=1");
    return params;
}

void ConversionSession::connectSource(const ConversionSettings& settings)
{
    oracleconn.close();
    oracleconn.describeAsOracle();
    oracleconn.Params = oracleConnectionParams(settings);
    oracleconn.open();
}

void ConversionSession::connectTarget(const ConversionSettings& settings)
{
    mysqlconnect.close();
    mysqlconnect.describeAsMySql();
    mysqlconnect.Params = mysqlConnectionParams(settings);
    mysqlconnect.open();
}

QStringList ConversionSession::listSourceTables()
{
    QStringList names;
    oraclesql.close();
    // Left out: tables that cannot be read on their own, an index-organized
    // table's overflow and mapping tables, nested tables' storage and the
    // secondary tables of domain indexes (Database Reference, ALL_TABLES).
    oraclesql.openQuery(QStringLiteral("select  table_name   from   user_tables where (iot_type is null or iot_type = "
                                       "'IOT') and nested = 'NO' and secondary = 'N' order by table_name"));
    oraclesql.first();
    for (; !oraclesql.eof(); oraclesql.next())
        names << oraclesql.fieldText(0);
    oraclesql.close();
    return names;
}

RunOutcome ConversionSession::run(const QStringList& tables, const ConversionSettings& settings, RunHost& host)
{
    TableSteps steps(oracledata, mysqlexec, mysqldata, host);
    return ConversionRun(steps, host).run(tables, settings);
}

}  // namespace qv
