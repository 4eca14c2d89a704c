#pragma once

// The rows of one query of a MySQL session, read as the server sends them
// (unbuffered): the session takes no other statement until the cursor is
// released. It owns its MYSQL_RES; the session must outlive it.

#include "data/Driver.h"

#include <mysql.h>

namespace qv {

class MySqlSession;

class MySqlCursor final : public DriverCursor {
public:
    MySqlCursor(MySqlSession* session, MYSQL_RES* result);
    ~MySqlCursor() override { release(); }

    const QVector<ColumnInfo>& columns() const override { return columns_; }
    bool fetch(Row& row) override;

    // Reads what is left of the result and of any further results, so that
    // the connection is ready for the next statement.
    void release() noexcept;

private:
    DbValue convert(int column, const char* data, unsigned long length) const;

    MySqlSession* session_;
    MYSQL_RES* result_;
    QVector<ColumnInfo> columns_;
};

}  // namespace qv
