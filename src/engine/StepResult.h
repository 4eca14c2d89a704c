#pragma once

#include <QString>

namespace qv {

// The outcome of one step of a table's conversion (drop, definition,
// indexes, rows): ok, or the failure's message.
struct StepResult {
    bool ok = true;
    QString message;

    static StepResult failure(const QString& message) { return {false, message}; }
};

}  // namespace qv
