#include "ConversionFixture.h"

#include "OciStandIn.h"
#include "engine/SourceParams.h"

namespace qv::test {

void ConversionFixture::connect(const QString& sourceSql, const QString& charset)
{
    schema = std::make_unique<SchemaFile>(sourceSql);
    schema->connect(oracleconn);
    oraclesql.setConnection(&oracleconn);
    oracledata.setConnection(&oracleconn);
    db.connect(mysqlconnect, charset);
}

void ConversionFixture::reconnectSourceThroughClient()
{
    oracleconn.close();
    OciStandIn::use();
    oracleconn.describeAsOracle();
    oracleconn.Params = oracleConnectionParams(schema->path(), QStringLiteral("scott"), QStringLiteral("tiger"));
    oracleconn.open();
}

RunOutcome ConversionFixture::run(const QStringList& tables, const RunSettings& settings)
{
    ConversionRun conversion(steps, host);
    return conversion.run(tables, settings);
}

RunSettings definitionsOnlySettings(ExistingTablePolicy policy)
{
    RunSettings settings;
    settings.policy = policy;
    settings.definitionsOnly = true;
    settings.skipIndexes = true;
    return settings;
}

}  // namespace qv::test
