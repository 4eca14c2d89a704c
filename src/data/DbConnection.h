#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace qv {

class DriverSession;
class SqlQuery;

// A connection to one database server. Params is read, cleared and refilled
// by the caller while the connection is closed; the driver fields describe
// which driver serves it.
class DbConnection {
public:
    DbConnection();
    ~DbConnection();
    DbConnection(const DbConnection&) = delete;
    DbConnection& operator=(const DbConnection&) = delete;

    QString DriverName;
    QString LibraryName;
    QString GetDriverFunc;
    QString VendorLib;
    QStringList Params;

    // The fixed driver descriptions of the two connections of the system.
    void describeAsOracle();
    void describeAsMySql();

    void open();   // nothing when already open; raises qv::Error on failure
    void close();  // closes every open query on it first; nothing when closed
    bool connected() const { return session_ != nullptr; }

    QString quoteChar() const { return quoteChar_; }
    // A name and a text literal as this connection's server reads them (see
    // DriverSession); raise when the connection is closed.
    QString quoteIdentifier(const QString& name);
    QString quoteLiteral(const QString& text);
    bool transactionsSupported() const { return transactionsSupported_; }
    // Whether a TransactionScope holds a transaction open on this connection.
    bool inTransaction() const { return inTransaction_; }

    // The open session; raises when the connection is closed.
    DriverSession& session();

private:
    friend class SqlQuery;
    friend class TransactionScope;
    void attach(SqlQuery* query);
    void detach(SqlQuery* query);

    std::unique_ptr<DriverSession> session_;
    std::vector<SqlQuery*> queries_;
    QString quoteChar_;
    bool transactionsSupported_ = false;
    bool inTransaction_ = false;
};

}  // namespace qv
