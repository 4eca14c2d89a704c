#pragma once

#include "Driver.h"

#include <QString>
#include <memory>

namespace qv {

class DbConnection;

// A forward-only query on a connection; it also executes statements.
class SqlQuery {
public:
    explicit SqlQuery(DbConnection* connection = nullptr);
    ~SqlQuery();
    SqlQuery(const SqlQuery&) = delete;
    SqlQuery& operator=(const SqlQuery&) = delete;

    void setConnection(DbConnection* connection);  // closes a result on the old one
    DbConnection* connection() const { return connection_; }

    // Closes an open result, stores the text, runs it; the cursor stands on
    // the first row, or eof() is true at once.
    void openQuery(const QString& sql);
    void first();
    bool eof() const;
    void next();
    int fieldCount() const;
    QString fieldName(int index) const;
    const ColumnInfo& column(int index) const;
    DbValue fieldValue(int index) const;
    // Case-insensitive, first match wins; raises "Field '%s' not found".
    DbValue fieldValue(const QString& name) const;
    QString fieldText(int index) const;  // null gives the empty text
    void close();
    bool active() const { return cursor_ != nullptr; }
    // Stores the text and sends it at once: no preparing, no result read.
    void executeDirect(const QString& sql);

    QString sqlText() const { return sql_; }

private:
    friend class DbConnection;  // forgets it when the connection goes away
    void setSql(const QString& sql);
    void requireOpen() const;
    int indexOf(const QString& name) const;

    DbConnection* connection_ = nullptr;
    QString sql_;
    std::unique_ptr<DriverCursor> cursor_;
    Row row_;
    bool eof_ = true;
};

}  // namespace qv
