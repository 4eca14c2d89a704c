#pragma once

#include "data/Driver.h"

namespace qv {

// MariaDB Connector/C. Reads Database, User_Name, Password, Port, HostName,
// ServerCharSet (the connection character set), SslMode, SslCa and
// ClearTextLogin (see MySqlTls.h) from the description. An empty HostName or
// "localhost" is the local server, through the first socket of
// localSocketCandidates() that answers. Raises Error with the library's or
// the server's message, or with one of MySqlTls.h's and MySqlLocalSocket.h's.
std::unique_ptr<DriverSession> openMySqlSession(const ConnectionDescription& description);

}  // namespace qv
