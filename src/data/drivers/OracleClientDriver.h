#pragma once

#include "data/Driver.h"

namespace qv {

// The Oracle client library, loaded at run time (libclntsh.so, or the file
// named by QUORVANE_OCI_LIBRARY).
std::unique_ptr<DriverSession> openOracleClientSession(const ConnectionDescription& description);

}  // namespace qv
