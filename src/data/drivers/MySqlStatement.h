#pragma once

// A server-side prepared statement of a MySQL session. Its single-row
// execution lives in MySqlStatement.cpp; the two ways of writing many rows
// at once beside it: parameter arrays in MySqlArrayWrite.cpp, statements of
// many rows in MySqlMultiRowWrite.cpp. It owns its MYSQL_STMT; the session
// must outlive it.

#include "data/Driver.h"

#include <mysql.h>

#include <QByteArray>

#include <vector>

namespace qv {

class MySqlSession;

// After a successful execution: the rows it affected; any rows it
// returned are read and dropped.
quint64 finishedExecution(MYSQL_STMT* stmt);

// A date-time as the client library binds it; microseconds at most (the
// column's precision cuts the rest).
MYSQL_TIME mysqlTime(const DateTime& dt);

// What one execution binds, for all its parameters: numbers and
// date-times in place, text and decimals in one arena, binary values held.
struct BoundParameters {
    std::vector<MYSQL_BIND> binds;
    std::vector<long long> integers;
    std::vector<double> floats;
    std::vector<MYSQL_TIME> times;
    std::vector<qsizetype> offsets;  // into arena, or -1
    std::vector<unsigned long> lengths;
    std::vector<QByteArray> held;
    QByteArray arena;
};

class MySqlStatement final : public DriverStatement {
public:
    // `text` is the statement as prepared, in the connection's bytes.
    MySqlStatement(MySqlSession* session, MYSQL_STMT* stmt, QByteArray text)
        : session_(session), stmt_(stmt), text_(std::move(text))
    {
    }
    ~MySqlStatement() override;

    quint64 execute(const Row& parameters) override;
    // As parameter arrays or as statements of many rows, as the session's
    // write path says.
    quint64 executeArray(const QVector<const Row*>& rows, const QVector<int>& columns) override;
    qint64 arrayBytes() const override;

private:
    quint64 executeOn(MYSQL_STMT* stmt, const Row& parameters);
    quint64 executeInArrays(const QVector<const Row*>& rows, const QVector<int>& columns);
    quint64 executeInMultiRowStatements(const QVector<const Row*>& rows, const QVector<int>& columns);
    // The text of the INSERT of `count` rows of this one's placeholders.
    QByteArray multiRowText(int count) const;
    [[noreturn]] void fail(MYSQL_STMT* stmt) const;

    MySqlSession* session_;
    MYSQL_STMT* stmt_;
    QByteArray text_;
};

}  // namespace qv
