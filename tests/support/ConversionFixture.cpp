#include "ConversionFixture.h"

#include "OciStandIn.h"

namespace qv::test {

ConversionSettings ConversionFixture::inputs() const
{
    ConversionSettings settings = db.settings();
    settings.oracleService = schema ? schema->service() : QString();
    settings.oracleUser = QStringLiteral("scott");
    settings.oraclePassword = QStringLiteral("tiger");
    settings.characterSetEntry = characterSetEntry;
    return settings;
}

void ConversionFixture::connect(const QString& sourceSql, const QString& characterSet)
{
    characterSetEntry = characterSet.isEmpty() ? 0 : ConversionSettings::characterSetEntryOf(characterSet);
    schema = std::make_unique<SchemaFile>(sourceSql);
    session.connectSource(inputs());
    session.connectTarget(inputs());
}

void ConversionFixture::reconnectSourceThroughClient()
{
    OciStandIn::use();
    ConversionSettings settings = inputs();
    settings.oracleService = schema->path();
    session.connectSource(settings);
}

RunOutcome ConversionFixture::run(const QStringList& tables, const ConversionSettings& settings)
{
    return session.run(tables, settings, host);
}

ConversionSettings definitionsOnlySettings(ExistingTablePolicy policy)
{
    ConversionSettings settings;
    settings.existingTablePolicy = int(policy);
    settings.tableDefinitionsOnly = true;
    settings.skipIndexes = true;
    return settings;
}

}  // namespace qv::test
