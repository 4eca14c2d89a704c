#include "MySqlServer.h"

#include <mysql.h>

#include <cstdlib>
#include <optional>

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
    // Parameter arrays are MariaDB's (10.2 on); a MySQL server sets CLIENT_MYSQL.
    unsigned long extended = 0;
    if (mariadb_get_infov(mysql, MARIADB_CONNECTION_EXTENDED_SERVER_CAPABILITIES, &extended) == 0)
        facts.offersArrays = facts.traits.flavor == ServerFlavor::MariaDB && (capabilities & CLIENT_MYSQL) == 0
                             && (extended & (MARIADB_CLIENT_STMT_BULK_OPERATIONS >> 32)) != 0;
    return facts;
}

}  // namespace qv
