#pragma once

namespace qv {

class DbConnection;

// One transaction on a connection, ended by the time the scope ends. A scope
// opened while another scope's transaction is open on the connection, or on
// a connection without transactions, owns nothing and ends nothing.
class TransactionScope {
public:
    // Begins the transaction when the scope owns one; raises qv::Error when
    // the server refuses to begin.
    explicit TransactionScope(DbConnection& connection);
    // Rolls an owned transaction back unless it was ended; a failure of that
    // rollback is not raised (the failure that left the scope is the one to tell).
    ~TransactionScope();
    TransactionScope(const TransactionScope&) = delete;
    TransactionScope& operator=(const TransactionScope&) = delete;

    bool owned() const { return owned_; }
    // Commits an owned transaction. When the commit fails it is rolled back
    // and the commit's qv::Error raised.
    void commit();
    // Rolls an owned transaction back; raises qv::Error when that fails.
    // False when the server kept rows written to tables without
    // transactions (also when nothing was owned: nothing was taken back).
    bool rollback();

private:
    void end();

    DbConnection& connection_;
    bool owned_ = false;
};

}  // namespace qv
