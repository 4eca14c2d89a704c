#pragma once

// One connection to a MySQL or MariaDB server: its text statements and
// queries, quoting in its character set, transactions, the failures it
// reports and the time limit of each call. It owns the MYSQL handle and
// closes it; statements and cursors it hands out must not outlive it.

#include "MySqlArrayWrite.h"
#include "MySqlCharset.h"
#include "MySqlStatement.h"
#include "data/ServerTraits.h"
#include "data/Driver.h"

#include <mysql.h>

#include <QElapsedTimer>
#include <QString>

#include <utility>
#include <vector>

namespace qv {

class MySqlCursor;

// How long the server may take. Connecting, the greeting included, is
// quick or not at all; a statement may be a long index build.
struct TimeLimits {
    unsigned connectSeconds = 30;
    unsigned answerSeconds = 3600;

    // QUORVANE_MYSQL_CONNECT_TIMEOUT and QUORVANE_MYSQL_TIMEOUT, in seconds,
    // where they hold a positive number.
    static TimeLimits fromEnvironment();
};

// A message of the client library or the server, which sends its messages
// in the connection character set.
QString decodedMessage(const char* message, const MySqlTextCodec& codec);
QString lastError(MYSQL* mysql, const MySqlTextCodec& codec);

// How a statement writes many rows at once: MariaDB's parameter arrays; on
// servers without them (MySQL, TiDB, Vitess) prepared INSERTs of many rows;
// or, forced by QUORVANE_BULK_APPLY=0, none (one execution a row).
// QUORVANE_BULK_APPLY=rows forces the statements of many rows.
enum class WritePath { SingleRows, Arrays, MultiRow };

class MySqlSession final : public DriverSession {
public:
    // Takes ownership of `mysql`, a connected handle; asks the server what
    // it is and offers (one round trip or two).
    MySqlSession(MYSQL* mysql, MySqlTextCodec codec, TimeLimits limits);
    ~MySqlSession() override;

    std::unique_ptr<DriverCursor> query(const QString& sql) override;
    void execute(const QString& sql) override;
    QString quoteChar() const override { return QStringLiteral("`"); }
    bool supportsTransactions() const override { return transactions_; }
    bool rollsBackRowsOf(const QString& table) override;
    QString quoteIdentifier(const QString& name) const override;
    QString quoteLiteral(const QString& text) const override;
    std::unique_ptr<DriverStatement> prepare(const QString& sql) override;
    void beginTransaction() override;
    void commit() override;
    bool rollback() override;
    bool takesArrays() const override;
    ServerTraits serverTraits() const override { return server_; }

    MYSQL* handle() const { return mysql_; }
    const MySqlTextCodec& codec() const { return codec_; }
    const ServerTraits& server() const { return server_; }
    WritePath writePath() const;
    // The server refused an array: this connection writes rows in
    // statements of many rows from now on.
    void refuseArrays() { writePath_ = WritePath::MultiRow; }
    // The buffers of one array execution, kept from one to the next so that
    // their memory is not fetched anew each time.
    std::vector<ParameterColumn>& arrayColumns(size_t count);
    // The buffers of one statement's execution, reused by the next.
    BoundParameters& boundParameters() { return bound_; }
    // The prepared statement of this text, kept for the session's later
    // writes (a few at a time, the oldest closed first); owned by the session.
    // Raises as prepare() does.
    MYSQL_STMT* preparedForManyRows(const QByteArray& text);
    // max_allowed_packet; 0 when unknown.
    qint64 largestValue() const { return largestValue_; }
    // A call to the server begins: its time limit runs from here.
    void calling() { call_.start(); }
    // Raise the connection's last failure: ConnectionFailure for the client
    // library's own codes (the connection), Error for the server's.
    [[noreturn]] void fail() const;
    [[noreturn]] void raise(unsigned code, const QString& text) const;
    // The message of a failure, told as a time limit when the call lasted it.
    QString failureText(unsigned code, const QString& text) const;
    // Further results of the statement (a procedure call) are read and
    // dropped; with `raise`, a failure among them is reported.
    void discardResults(bool raise);
    void cursorReleased(MySqlCursor* cursor);

private:
    void send(const QString& sql);
    // A prepared statement of the text, owned by the caller; raises as prepare().
    MYSQL_STMT* prepared(const QByteArray& text);

    MYSQL* mysql_;
    MySqlTextCodec codec_;
    TimeLimits limits_;
    ServerTraits server_;
    QElapsedTimer call_;
    qint64 largestValue_ = 0;
    bool transactions_ = false;
    WritePath writePath_ = WritePath::MultiRow;  // as the server decides it
    std::vector<ParameterColumn> arrayColumns_;
    BoundParameters bound_;
    std::vector<std::pair<QByteArray, MYSQL_STMT*>> manyRows_;  // the most recently used last
    MySqlCursor* activeCursor_ = nullptr;
};

}  // namespace qv
