#pragma once

#include "RunProgress.h"

#include <QString>

namespace qv {

// The fixed lines that end a conversion run, by the caption that holds them.
enum class CompletionLine {
    Completed,           // Label29
    Migrated,            // Label30: every step succeeded
    MigratedWithErrors,  // Label31: "%1" tables with failures of "%2" processed
    ClickFinish,         // Label32
};

// What a completed conversion run did.
struct RunOutcome {
    int tablesProcessed = 0;
    int tablesWithFailures = 0;  // tables with a failed drop, definition, index, row copy or refused row
    bool succeeded() const { return tablesWithFailures == 0; }
};

// What a conversion run needs of the window that hosts it. The wizard
// implements it; tests and unattended runs bring their own.
class RunHost {
public:
    virtual ~RunHost() = default;

    // The progress log.
    virtual void appendLine(const QString& line) = 0;
    virtual QString lastLine() const = 0;
    virtual void replaceLastLine(const QString& line) = 0;

    // One pass of the window's event processing; a Stop click is handled here.
    virtual void processEvents() = 0;
    virtual bool stopRequested() const = 0;
    virtual void setStopRequested(bool requested) = 0;

    virtual void copyTextToClipboard(const QString& text) = 0;
    virtual QString completionText(CompletionLine line) const = 0;

    // Before the first table: the window shows the log and its run buttons.
    virtual void runStarting() {}
    // After the first two completion lines, before the last one: an
    // unattended run writes its end time and saves its log file here.
    virtual void completionLinesWritten(const RunOutcome& /*outcome*/) {}
    // How far the run is: at each table's start and end, a few times a
    // second while rows are copied, and once when the last table is done.
    // Never part of the log.
    virtual void progressChanged(const RunProgress& /*progress*/) {}
};

}  // namespace qv
