#include "TransactionScope.h"

#include "DbConnection.h"
#include "Driver.h"
#include "Errors.h"

namespace qv {

TransactionScope::TransactionScope(DbConnection& connection) : connection_(connection)
{
    if (connection_.inTransaction() || !connection_.transactionsSupported())
        return;
    connection_.session().beginTransaction();
    connection_.inTransaction_ = true;
    owned_ = true;
}

TransactionScope::~TransactionScope()
{
    if (!owned_)
        return;
    try {
        rollback();
    } catch (const Error&) {
        // the failure that ends the scope early is the one to report
    }
}

void TransactionScope::end()
{
    owned_ = false;
    connection_.inTransaction_ = false;
}

void TransactionScope::commit()
{
    if (!owned_)
        return;
    try {
        connection_.session().commit();
    } catch (const Error&) {
        try {
            rollback();
        } catch (const Error&) {
            // the commit's message is the one to report
        }
        throw;
    }
    end();
}

bool TransactionScope::rollback()
{
    if (!owned_)
        return false;
    end();
    return connection_.session().rollback();
}

}  // namespace qv
