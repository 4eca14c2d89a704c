#pragma once

#include "DbValue.h"
#include "Errors.h"
#include "ServerTraits.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <memory>

namespace qv {

// What a driver reports of one result column.
struct ColumnInfo {
    QString name;           // as the server reports it
    ValueKind type = ValueKind::Text;  // the kind its values arrive in
    int size = 0;           // declared size as the server reports it
    bool nullable = true;
    bool readOnly = false;
    bool autoIncrement = false;
    bool hasDefault = false;  // the server fills the column when a row names no value for it
    int scale = -1;           // digits after the point, or of the seconds' fraction; -1 when unknown
    bool dateOnly = false;        // a date-time column without a time of day (MySQL DATE)
    bool singlePrecision = false;  // a floating-point column of four bytes (MySQL FLOAT)
};

using Row = QVector<DbValue>;

// A forward-only result. Rows are fetched on demand; nothing forces the
// driver to hold the whole result.
class DriverCursor {
public:
    virtual ~DriverCursor() = default;
    virtual const QVector<ColumnInfo>& columns() const = 0;
    // Reads the next row into `row`; false when the result has no more rows.
    virtual bool fetch(Row& row) = 0;
};

// A parameter larger than the server takes in one value.
class ParameterTooLarge : public Error {
public:
    ParameterTooLarge(int index, qint64 bytes, qint64 limit)
        : Error(QStringLiteral("Parameter %1 has %2 bytes; the server takes at most %3 (max_allowed_packet)")
                    .arg(index + 1)
                    .arg(bytes)
                    .arg(limit)),
          index(index), bytes(bytes), limit(limit)
    {
    }
    int index;
    qint64 bytes;
    qint64 limit;
};

// The connection failed (lost, or the server did not answer in time): not a
// refusal of what was sent.
class ConnectionFailure : public Error {
public:
    using Error::Error;
};

// The server or the statement does not take parameter arrays; nothing was
// sent. The caller sends the rows one by one instead.
class ArraysNotTaken : public Error {
public:
    using Error::Error;
};

// A statement prepared once and executed with "?" parameters, as often as needed.
class DriverStatement {
public:
    virtual ~DriverStatement() = default;
    // Executes the statement once for each of `rows`, all of them sent as
    // one array: parameter p of a row is (*rows[r])[columns[p]]. Every
    // column holds values of one kind or null. Returns the number of rows
    // the server affected in all. Raises ArraysNotTaken, before anything is
    // sent, when the server offers no arrays (or refused them before), a
    // column mixes kinds, or a value is too large for an array; qv::Error
    // with the server's message when the server refuses the array, after
    // which any of its rows may be in the table (the caller rolls back).
    virtual quint64 executeArray(const QVector<const Row*>& rows, const QVector<int>& columns);
    // The bytes of values one array may carry; 0 when the statement takes no arrays.
    virtual qint64 arrayBytes() const { return 0; }
    // Binds each parameter by its kind (a null value as NULL), executes, and
    // returns the number of rows the statement affected. Raises qv::Error
    // with the server's message when the server refuses it, and
    // ParameterTooLarge, before sending anything, for a value the server
    // cannot take.
    virtual quint64 execute(const Row& parameters) = 0;
};

// One open session with a server.
class DriverSession {
public:
    virtual ~DriverSession() = default;
    virtual std::unique_ptr<DriverCursor> query(const QString& sql) = 0;
    // Executes at once: no preparing, no parameters, no result read.
    virtual void execute(const QString& sql) = 0;
    virtual QString quoteChar() const = 0;
    virtual bool supportsTransactions() const = 0;
    // Whether a rollback takes back the rows written to this table (the
    // name as written after "from"); false when that is not known.
    virtual bool rollsBackRowsOf(const QString& table) { (void)table; return false; }
    // Whether executeArray may write many rows at once (as parameter
    // arrays or as statements of many rows).
    virtual bool takesArrays() const { return false; }
    // What the server is, decided when the session opened.
    virtual ServerTraits serverTraits() const { return {}; }
    // Called on the waiting thread, again and again, while a fetch waits for
    // the server (the rows are then read by another thread); it may raise,
    // which ends the wait: the call under way is broken and what it raised
    // reaches the caller of the fetch. An empty handler waits as before.
    virtual void setWaitHandler(std::function<void()> handler) { (void)handler; }
    // Whether a call waits for the server with no time limit of its own.
    virtual bool waitsWithoutTimeLimit() const { return false; }
    // A name as the server reads it: between quote characters, each quote
    // character inside doubled. Raises qv::Error when the name cannot be
    // written on this connection.
    virtual QString quoteIdentifier(const QString& name) const;
    // A text literal between apostrophes, each apostrophe inside doubled.
    virtual QString quoteLiteral(const QString& text) const;

    // The writing side; a read-only source refuses it.
    virtual std::unique_ptr<DriverStatement> prepare(const QString& sql);
    virtual void beginTransaction();
    virtual void commit();
    // True when every change was taken back; false when the server kept the
    // rows written to tables without transactions.
    virtual bool rollback();
};

// The connection description that DbConnection hands to the drivers:
// the Params lines followed by the four fixed driver fields.
class ConnectionDescription {
public:
    explicit ConnectionDescription(QStringList lines) : lines_(std::move(lines)) {}
    // The value of the first line named `name` (compared without regard to
    // case); `fallback` when no line has that name.
    QString value(const QString& name, const QString& fallback = {}) const;
    bool has(const QString& name) const;
    const QStringList& lines() const { return lines_; }

private:
    QStringList lines_;
};

// Picks the driver from DriverName and the Database parameter and logs in.
std::unique_ptr<DriverSession> openDriverSession(const ConnectionDescription& description);

}  // namespace qv
