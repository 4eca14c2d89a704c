#pragma once

#include "OciApi.h"

#include <QString>

namespace qv::oci {

// Loads the Oracle client library `fileName` (once per process; it stays
// loaded) and resolves every function of QV_OCI_FUNCTIONS into one table.
// Returns the table, owned by this module for the life of the process.
// Raises qv::Error "Unable to load %s (ErrorCode %d).  It may be missing
// from the system path." when the file cannot be loaded, and a message
// naming the file and the function when one of them is missing.
const OciFunctions& loadOciLibrary(const QString& fileName);

// The file to load: QUORVANE_OCI_LIBRARY when set, else libclntsh.so.
QString ociLibraryFileName();

}  // namespace qv::oci
