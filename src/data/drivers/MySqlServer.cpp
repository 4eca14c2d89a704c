#include "MySqlServer.h"

#include <mysql.h>

#include <cstdlib>
#include <optional>

#include <QStringList>

namespace qv {

namespace {

std::optional<ServerFlavor> forcedFlavor()
{
    const QString forced = qEnvironmentVariable("QUORVANE_TARGET_FLAVOR").trimmed().toLower();
    if (forced == QLatin1String("mariadb"))
        return ServerFlavor::MariaDB;
    if (forced == QLatin1String("mysql"))
        return ServerFlavor::MySQL;
    if (forced == QLatin1String("tidb"))
        return ServerFlavor::TiDB;
    if (forced == QLatin1String("vitess"))
        return ServerFlavor::Vitess;
    return std::nullopt;
}

// MariaDB's version ends its number with "-MariaDB" (10.11.6-MariaDB-1);
// TiDB reports "8.0.11-TiDB-v7.5.0" (TiDB docs, "TiDB Compatibility with
// MySQL": tidb_version); vtgate "8.0.30-Vitess" (Vitess docs,
// "--mysql_server_version"), as PlanetScale does. Everything else speaks
// for MySQL: Oracle's builds, Percona Server, Amazon RDS and Aurora.
ServerFlavor flavorOf(const QString& version, const QString& versionComment)
{
    const auto names = [&](const char* name) {
        return version.contains(QLatin1String(name), Qt::CaseInsensitive)
               || versionComment.contains(QLatin1String(name), Qt::CaseInsensitive);
    };
    if (names("MariaDB"))
        return ServerFlavor::MariaDB;
    if (names("TiDB"))
        return ServerFlavor::TiDB;
    if (names("Vitess") || names("PlanetScale"))
        return ServerFlavor::Vitess;
    return ServerFlavor::MySQL;
}

// "10.11.6-MariaDB-1" as 10 * 10000 + 11 * 100 + 6; 0 when it has no number.
// MariaDB before 11 puts "5.5.5-" before its own number, for old replicas.
int versionNumber(const QString& version)
{
    const QString own = version.startsWith(QLatin1String("5.5.5-")) ? version.mid(6) : version;
    const QStringList parts = own.section(u'-', 0, 0).split(u'.');
    if (parts.size() < 3)
        return 0;
    int number = 0;
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        const int part = parts.at(i).toInt(&ok);
        if (!ok)
            return 0;
        number = number * 100 + part;
    }
    return number;
}

// The first field of the first row of `sql`; nothing when the server
// refuses the query (a variable it does not have).
std::optional<QByteArray> firstField(MYSQL* mysql, const char* sql)
{
    if (mysql_query(mysql, sql) != 0)
        return std::nullopt;
    MYSQL_RES* result = mysql_store_result(mysql);
    if (!result)
        return std::nullopt;
    std::optional<QByteArray> field;
    if (const MYSQL_ROW row = mysql_fetch_row(result); row && row[0])
        field = QByteArray(row[0]);
    mysql_free_result(result);
    return field;
}

bool isOn(const std::optional<QByteArray>& value)
{
    return value && (*value == "1" || value->compare("ON", Qt::CaseInsensitive) == 0);
}

// A server's rule that tables have a primary key: MariaDB's
// innodb_force_primary_key refuses a table without one (error 1173,
// ER_REQUIRES_PRIMARY_KEY); MySQL 8.0.13's sql_require_primary_key refuses it
// (error 3750; manual, "Server System Variables"), and a Group Replication
// member refuses its rows (error 3098; manual, "Group Replication
// Requirements": a primary key or an equivalent on every table).
QString primaryKeyRequirement(MYSQL* mysql, ServerFlavor flavor)
{
    const bool forced = qEnvironmentVariable("QUORVANE_TARGET_REQUIRES_PRIMARY_KEY") == QLatin1String("1");
    switch (flavor) {
    case ServerFlavor::MariaDB:
        if (forced || isOn(firstField(mysql, "select @@innodb_force_primary_key")))
            return QStringLiteral("innodb_force_primary_key");
        return {};
    case ServerFlavor::MySQL:
    case ServerFlavor::Vitess:
        if (forced || isOn(firstField(mysql, "select @@sql_require_primary_key")))
            return QStringLiteral("sql_require_primary_key");
        // The member's own row of performance_schema.replication_group_members
        // (manual, "The replication_group_members Table").
        if (const auto members = firstField(mysql, "select count(*) from performance_schema.replication_group_members"
                                                   " where member_id = @@server_uuid and member_state <> 'OFFLINE'");
            members && members->toLongLong() > 0)
            return QStringLiteral("Group Replication");
        return {};
    case ServerFlavor::TiDB: return forced ? QStringLiteral("sql_require_primary_key") : QString();
    }
    return {};
}

}  // namespace

ServerTraits traitsFor(const QString& version, const QString& versionComment)
{
    ServerTraits traits;
    traits.flavor = forcedFlavor().value_or(flavorOf(version, versionComment));
    // MySQL refuses a BLOB or TEXT key without a length (error 1170,
    // ER_BLOB_KEY_WITHOUT_LENGTH; manual, "Column Indexes"), as TiDB does
    // ("TiDB Compatibility with MySQL"); Vitess passes the statement to
    // MySQL underneath.
    traits.indexesWholeTextColumns = traits.flavor == ServerFlavor::MariaDB;
    // MySQL: "The maximum number of supported decimals (D) is 30" (manual,
    // "Fixed-Point Types (Exact Value) - DECIMAL, NUMERIC"; error 1425,
    // ER_TOO_BIG_SCALE); TiDB and Vitess keep MySQL's limit.
    traits.mostDecimalScale = traits.flavor == ServerFlavor::MariaDB ? 38 : 30;
    // MariaDB enforces CHECK from 10.2.1 (knowledge base, "CONSTRAINT"),
    // MySQL from 8.0.16 (manual, "CHECK Constraints"); before, and on TiDB
    // by default (tidb_enable_check_constraint), a check is parsed and
    // dropped, which would tell the user of a guarantee that is not there.
    // A forced flavor's version text is another server's: no number.
    const int number = forcedFlavor() ? 0 : versionNumber(version);
    switch (traits.flavor) {
    case ServerFlavor::MariaDB: traits.enforcesChecks = number == 0 || number >= 100201; break;
    case ServerFlavor::MySQL:
    case ServerFlavor::Vitess: traits.enforcesChecks = number == 0 || number >= 80016; break;
    case ServerFlavor::TiDB: traits.enforcesChecks = false; break;
    }
    return traits;
}

MySqlServerFacts askServer(MYSQL* mysql)
{
    MySqlServerFacts facts;
    unsigned long capabilities = 0;
    if (mariadb_get_infov(mysql, MARIADB_CONNECTION_SERVER_CAPABILITIES, &capabilities) == 0)
        facts.transactions = (capabilities & CLIENT_TRANSACTIONS) != 0;
    QString version = QString::fromLatin1(mysql_get_server_info(mysql));
    QString versionComment;
    // The largest value a statement may carry, so that a larger one is
    // refused by name rather than by a lost connection.
    if (mysql_query(mysql, "select @@max_allowed_packet, @@version, @@version_comment, @@character_set_client") == 0) {
        if (MYSQL_RES* result = mysql_store_result(mysql)) {
            if (const MYSQL_ROW row = mysql_fetch_row(result)) {
                if (row[0])
                    facts.largestPacket = std::strtoll(row[0], nullptr, 10);
                if (row[1])
                    version = QString::fromUtf8(row[1]);
                if (row[2])
                    versionComment = QString::fromUtf8(row[2]);
                if (row[3])
                    facts.clientCharset = QString::fromLatin1(row[3]);
            }
            mysql_free_result(result);
        }
    }
    facts.traits = traitsFor(version, versionComment);
    facts.traits.primaryKeyRequirement = primaryKeyRequirement(mysql, facts.traits.flavor);
    // Parameter arrays are MariaDB's (10.2 on); a MySQL server sets CLIENT_MYSQL.
    unsigned long extended = 0;
    if (mariadb_get_infov(mysql, MARIADB_CONNECTION_EXTENDED_SERVER_CAPABILITIES, &extended) == 0)
        facts.offersArrays = facts.traits.flavor == ServerFlavor::MariaDB && (capabilities & CLIENT_MYSQL) == 0
                             && (extended & (MARIADB_CLIENT_STMT_BULK_OPERATIONS >> 32)) != 0;
    return facts;
}

}  // namespace qv
