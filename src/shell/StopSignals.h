#pragma once

#include <functional>

class QObject;

namespace qv {

// SIGTERM, SIGINT and SIGHUP: the first one calls `stop` from the event loop
// (at its next pass, so also at the run's checkpoints); a second one ends the
// program at once with status 2. The handler lives as long as `owner`.
void onStopSignals(QObject* owner, std::function<void()> stop);

}  // namespace qv
