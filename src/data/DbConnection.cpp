#include "DbConnection.h"

#include "Driver.h"
#include "Errors.h"
#include "SqlQuery.h"

#include <algorithm>

namespace qv {

DbConnection::DbConnection() = default;

DbConnection::~DbConnection()
{
    close();
    // Queries that outlive their connection must not point at it.
    for (SqlQuery* query : std::vector<SqlQuery*>(queries_))
        query->connection_ = nullptr;
}

void DbConnection::describeAsOracle()
{
    DriverName = QStringLiteral("Oracle");
    LibraryName = QStringLiteral("dbexpora.dll");
    GetDriverFunc = QStringLiteral("getSQLDriverORACLE");
    VendorLib = QStringLiteral("oci.dll");
}

void DbConnection::describeAsMySql()
{
    DriverName = QStringLiteral("MySQL");
    LibraryName = QStringLiteral("dbxmys.dll");
    GetDriverFunc = QStringLiteral("getSQLDriverMYSQL");
    VendorLib = QStringLiteral("libmysql.dll");
}

void DbConnection::open()
{
    if (session_)
        return;
    // The driver fields win over Params lines of the same name.
    QStringList lines{QStringLiteral("DriverName=") + DriverName, QStringLiteral("VendorLib=") + VendorLib,
                      QStringLiteral("LibraryName=") + LibraryName,
                      QStringLiteral("GetDriverFunc=") + GetDriverFunc};
    lines += Params;
    auto session = openDriverSession(ConnectionDescription(lines));
    quoteChar_ = session->quoteChar();
    transactionsSupported_ = session->supportsTransactions();
    inTransaction_ = false;
    session_ = std::move(session);
}

QString DbConnection::quoteIdentifier(const QString& name)
{
    return session().quoteIdentifier(name);
}

QString DbConnection::quoteLiteral(const QString& text)
{
    return session().quoteLiteral(text);
}

void DbConnection::close()
{
    for (SqlQuery* query : std::vector<SqlQuery*>(queries_))
        query->close();
    session_.reset();
    inTransaction_ = false;
}

DriverSession& DbConnection::session()
{
    if (!session_)
        throw Error(QStringLiteral("The %1 connection is not open").arg(DriverName));
    return *session_;
}

void DbConnection::attach(SqlQuery* query)
{
    if (std::find(queries_.begin(), queries_.end(), query) == queries_.end())
        queries_.push_back(query);
}

void DbConnection::detach(SqlQuery* query)
{
    queries_.erase(std::remove(queries_.begin(), queries_.end(), query), queries_.end());
}

}  // namespace qv
