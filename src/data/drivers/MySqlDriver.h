#pragma once

#include "data/Driver.h"

namespace qv {

// MariaDB Connector/C. Reads Database, User_Name, Password, Port, HostName
// and ServerCharSet (the connection character set) from the description.
std::unique_ptr<DriverSession> openMySqlSession(const ConnectionDescription& description);

}  // namespace qv
