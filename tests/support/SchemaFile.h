#pragma once

#include "data/DbConnection.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTemporaryDir>

namespace qv::test {

// An offline Oracle schema for a test: a SQLite file in a temporary folder,
// built from SQL text (declared types that SQLite's parser refuses are written
// as double-quoted identifiers, for example "TIMESTAMP(3) WITH TIME ZONE").
class SchemaFile {
public:
    explicit SchemaFile(const QString& sql);
    const QString& path() const { return path_; }
    QString service() const { return QStringLiteral("sqlite:") + path_; }
    // Runs one statement on the file with `blobs` bound to ?1, ?2, ...
    void execute(const QString& sql, const QList<QByteArray>& blobs = {}) const;
    // Describes `connection` as the Oracle source on this file and opens it.
    void connect(DbConnection& connection) const;

private:
    QTemporaryDir dir_;
    QString path_;
};

// A schema file with an open Oracle connection on it.
class OracleSource {
public:
    explicit OracleSource(const QString& sql) : file(sql) { file.connect(connection); }

    SchemaFile file;
    DbConnection connection;
};

}  // namespace qv::test
