#include "Driver.h"

#include "Errors.h"
#include "drivers/MySqlDriver.h"
#include "drivers/OracleClientDriver.h"
#include "drivers/SchemaFileDriver.h"

namespace qv {

namespace {
const QLatin1String schemaFilePrefix("sqlite:");
}

QString ConnectionDescription::value(const QString& name, const QString& fallback) const
{
    for (const QString& line : lines_) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        const QString lineName = eq < 0 ? line : line.left(eq);
        if (lineName.compare(name, Qt::CaseInsensitive) == 0)
            return eq < 0 ? QString() : line.mid(eq + 1);
    }
    return fallback;
}

bool ConnectionDescription::has(const QString& name) const
{
    const QString marker = QStringLiteral("\x01");
    return value(name, marker) != marker;
}

namespace {
[[noreturn]] void refuseWriting()
{
    throw Error(QStringLiteral("This connection is read-only"));
}
}  // namespace

QString DriverSession::quoteIdentifier(const QString& name) const
{
    const QString quote = quoteChar();
    return quote + QString(name).replace(quote, quote + quote) + quote;
}

QString DriverSession::quoteLiteral(const QString& text) const
{
    return QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
}

std::unique_ptr<DriverStatement> DriverSession::prepare(const QString&)
{
    refuseWriting();
}

void DriverSession::beginTransaction()
{
    refuseWriting();
}

void DriverSession::commit()
{
    refuseWriting();
}

bool DriverSession::rollback()
{
    refuseWriting();
}

std::unique_ptr<DriverSession> openDriverSession(const ConnectionDescription& description)
{
    const QString driver = description.value(QStringLiteral("DriverName"));
    if (driver.compare(QLatin1String("MySQL"), Qt::CaseInsensitive) == 0)
        return openMySqlSession(description);
    if (driver.compare(QLatin1String("Oracle"), Qt::CaseInsensitive) == 0) {
        const QString database = description.value(QStringLiteral("Database"));
        if (database.startsWith(schemaFilePrefix, Qt::CaseInsensitive))
            return openSchemaFileSession(database.mid(schemaFilePrefix.size()));
        return openOracleClientSession(description);
    }
    throw Error(QStringLiteral("Unknown database driver '%1'").arg(driver));
}

}  // namespace qv

namespace qv {

quint64 DriverStatement::executeArray(const QVector<const Row*>&, const QVector<int>&)
{
    throw ArraysNotTaken(QStringLiteral("This connection takes no parameter arrays"));
}

}  // namespace qv
