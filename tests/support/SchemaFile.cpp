#include "SchemaFile.h"

#include <sqlite3.h>
#include <stdexcept>

namespace qv::test {

SchemaFile::SchemaFile(const QString& sql)
{
    if (!dir_.isValid())
        throw std::runtime_error("cannot create a temporary folder");
    path_ = dir_.filePath(QStringLiteral("schema.sqlite"));
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path_.toUtf8().constData(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        const std::string message = db ? sqlite3_errmsg(db) : "out of memory";
        sqlite3_close(db);
        throw std::runtime_error("cannot create schema file: " + message);
    }
    char* error = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : "unknown error";
        sqlite3_free(error);
        sqlite3_close(db);
        throw std::runtime_error("schema file SQL failed: " + message);
    }
    sqlite3_close(db);
}

void SchemaFile::connect(DbConnection& connection) const
{
    connection.close();
    connection.describeAsOracle();
    connection.Params = {QStringLiteral("Database=") + service(), QStringLiteral("User_Name=scott"),
                         QStringLiteral("Password=tiger")};
    connection.open();
}

}  // namespace qv::test
