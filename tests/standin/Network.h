#pragma once

// The network between the stand-in client and its "server": what a round
// trip costs, how long it takes, and how a break or a call's time limit
// ends one that waits.

#include "Server.h"

namespace qv::standin {

using qv::oci::ub4;

// Marks a call that talks to the server (execute, fetch, the LOB calls) for
// as long as it runs: a break applies to it (the OCI guide, OCIBreak: "an
// immediate termination of any currently executing OCI function").
class CallOnServer {
public:
    explicit CallOnServer(Connection& connection);
    ~CallOnServer();
    CallOnServer(const CallOnServer&) = delete;
    CallOnServer& operator=(const CallOnServer&) = delete;

private:
    Connection& connection_;
};

// One round trip on `connection`, counted. It takes
// QV_OCI_STANDIN_ROUND_TRIP_US microseconds; with `hold` it lasts until the
// call is broken. Raises ORA-01013 when the call is broken (by OCIBreak or
// the client's own SIGINT handler) and ORA-03156 when it outlasts
// `timeoutMs` (OCI_ATTR_CALL_TIMEOUT; 0 is none). The library lock is given
// up while it waits, so that another thread can break it.
void roundTrip(Connection& connection, ub4 timeoutMs, bool hold = false);

// OCIBreak: the call under way on the connection, if any, ends with ORA-01013.
void requestBreak(Connection& connection);
// OCIReset: the connection is ready for the next call.
void resetBreak(Connection& connection);

// A client installs a SIGINT handler of its own when it attaches to a
// server, which breaks the running call (Oracle Net's break handling; a
// broken call returns ORA-01013).
void installClientSignalHandler();

// Round trips since the library was loaded (qv_standin_round_trips); written
// to the file QV_OCI_STANDIN_ROUND_TRIPS_FILE names when the library unloads.
unsigned long long roundTripCount();
// Whether a round trip is held right now (qv_standin_holding).
bool holding();

}  // namespace qv::standin
