#pragma once

#include "data/Driver.h"

namespace qv {

// A live Oracle server through the Oracle Call Interface of the user's
// client library, loaded at run time (libclntsh.so, or the file named by
// QUORVANE_OCI_LIBRARY). The session reads only: it runs queries, fetching
// RowsetSize rows per round trip, and refuses every other statement.
// Raises qv::Error with the loader's or Oracle's message when the library
// cannot be used or the logon is refused.
std::unique_ptr<DriverSession> openOracleClientSession(const ConnectionDescription& description);

}  // namespace qv
