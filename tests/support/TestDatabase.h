#pragma once

#include "QtPrinters.h"
#include "data/DbConnection.h"
#include "engine/ConversionSettings.h"

#include <QString>
#include <QStringList>

namespace qv::test {

// The sandbox MariaDB that the CTest fixture started. The folder comes from
// QUORVANE_SANDBOX; the server leaves its port and socket path there. A test
// that finds no server fails: a green run must mean the database tests ran.
struct Sandbox {
    static constexpr const char* user = "qvtest";
    static constexpr const char* password = "qvtest";
    QString folder;
    int port = 0;
    QString socket;

    // The sandbox whose folder `variable` names: QUORVANE_SANDBOX, or
    // QUORVANE_TLS_SANDBOX for the one with TLS (its CA files in tls/).
    // Raises qv::Error when there is none.
    static Sandbox fromEnvironment(const char* variable = "QUORVANE_SANDBOX");
};

// A database of its own for one test: created when constructed, dropped when
// destroyed. Its name comes from the running test's name.
class TestDatabase {
public:
    TestDatabase();
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    const QString& name() const { return name_; }
    const Sandbox& sandbox() const { return sandbox_; }

    // Params lines of a MySQL connection to this database over TCP;
    // `charset` adds a ServerCharSet line.
    QStringList params(const QString& charset = {}) const;
    // The target inputs of a conversion into this database: Remote mode over TCP.
    ConversionSettings settings() const;
    // Describes `connection` as the MySQL target, fills Params and opens it.
    void connect(DbConnection& connection, const QString& charset = {}) const;

    // Administration through a utf8mb4 connection of its own.
    void exec(const QString& sql);
    QString scalar(const QString& sql);        // first column of the first row; "NULL" for null
    QStringList column(const QString& sql);    // first column of every row
    QString showCreateTable(const QString& table);
    QString checksumTable(const QString& table);  // CHECKSUM TABLE's checksum

private:
    Sandbox sandbox_;
    QString name_;
    DbConnection admin_;
};

}  // namespace qv::test
