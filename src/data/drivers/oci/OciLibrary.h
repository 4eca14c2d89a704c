#pragma once

#include "OciApi.h"

#include <QString>
#include <QStringList>

namespace qv::oci {

// The client versions whose libraries are looked for by their own names.
inline constexpr const char* supportedClientVersions = "12.1, 12.2, 18, 19, 21 and 23";

// The files tried, in order: QUORVANE_OCI_LIBRARY alone when it is set;
// otherwise libclntsh.so, then the versioned names of the supported clients
// (libclntsh.so.23.1 down to libclntsh.so.12.1), then libclntsh.so in
// $ORACLE_HOME/lib when ORACLE_HOME is set.
QStringList ociLibraryCandidates();

// Loads the first candidate that the dynamic loader can load (once per
// process; it stays loaded) and resolves every function of QV_OCI_FUNCTIONS
// into one table. Returns the table, owned by this module for the life of
// the process. Raises qv::Error "Unable to load %s (ErrorCode %d).  It may
// be missing from the system path." (naming the first candidate) when none
// loads, followed by a line with each loader's message that is not a plain
// "file not found" for a candidate itself (a missing dependency such as
// libaio); a message naming the file and the function when one is missing.
const OciFunctions& loadOciLibrary();

}  // namespace qv::oci
