#pragma once

// A server-side prepared statement of a MySQL session. Its single-row
// execution lives in MySqlStatement.cpp, its array execution in
// MySqlArrayWrite.cpp. It owns its MYSQL_STMT; the session must outlive it.

#include "data/Driver.h"

#include <mysql.h>

namespace qv {

class MySqlSession;

// A date-time as the client library binds it; microseconds at most (the
// column's precision cuts the rest).
MYSQL_TIME mysqlTime(const DateTime& dt);

// A server-side prepared statement.
class MySqlStatement final : public DriverStatement {
public:
    MySqlStatement(MySqlSession* session, MYSQL_STMT* stmt) : session_(session), stmt_(stmt) {}
    ~MySqlStatement() override { mysql_stmt_close(stmt_); }

    quint64 execute(const Row& parameters) override;
    quint64 executeArray(const QVector<const Row*>& rows, const QVector<int>& columns) override;
    qint64 arrayBytes() const override;

private:
    [[noreturn]] void fail() const;

    MySqlSession* session_;
    MYSQL_STMT* stmt_;
};

}  // namespace qv
