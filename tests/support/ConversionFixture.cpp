#include "ConversionFixture.h"

namespace qv::test {

void ConversionFixture::connect(const QString& sourceSql, const QString& charset)
{
    schema = std::make_unique<SchemaFile>(sourceSql);
    schema->connect(oracleconn);
    oraclesql.setConnection(&oracleconn);
    oracledata.setConnection(&oracleconn);
    db.connect(mysqlconnect, charset);
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
