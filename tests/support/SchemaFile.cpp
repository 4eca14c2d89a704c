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

void SchemaFile::execute(const QString& sql, const QList<QByteArray>& blobs) const
{
    sqlite3* db = nullptr;
    sqlite3_stmt* stmt = nullptr;
    std::string failure;
    if (sqlite3_open_v2(path_.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK
        || sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &stmt, nullptr) != SQLITE_OK) {
        failure = db ? sqlite3_errmsg(db) : "out of memory";
    } else {
        for (int i = 0; i < blobs.size(); ++i)
            sqlite3_bind_blob(stmt, i + 1, blobs[i].constData(), int(blobs[i].size()), SQLITE_TRANSIENT);
        if (sqlite3_step(stmt) != SQLITE_DONE)
            failure = sqlite3_errmsg(db);
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    if (!failure.empty())
        throw std::runtime_error("schema file SQL failed: " + failure);
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
