#pragma once

#include "QtPrinters.h"
#include "engine/RunHost.h"
#include "wizard/CaptionTables.h"

#include <QStringList>
#include <functional>

namespace qv::test {

// A run host that keeps the progress log and the clipboard in memory. A test
// plays the user through onProcessEvents, called at every yield of the run.
class RecordingHost : public RunHost {
public:
    QStringList lines;
    QStringList replacements;  // every text that replaced the last line, in order
    QString clipboard;
    bool stop = false;
    int yields = 0;
    int runStarts = 0;
    int completionHooks = 0;
    RunOutcome outcomeAtCompletionHook;
    int linesAtCompletionHook = -1;
    UiLanguage language = UiLanguage::English;
    std::function<void(RecordingHost&)> onProcessEvents;

    void appendLine(const QString& line) override { lines << line; }
    QString lastLine() const override { return lines.isEmpty() ? QString() : lines.last(); }
    void replaceLastLine(const QString& line) override;
    void processEvents() override;
    bool stopRequested() const override { return stop; }
    void setStopRequested(bool requested) override { stop = requested; }
    void copyTextToClipboard(const QString& text) override { clipboard = text; }
    QString completionText(CompletionLine line) const override;
    void runStarting() override { ++runStarts; }
    void completionLinesWritten(const RunOutcome& outcome) override
    {
        ++completionHooks;
        linesAtCompletionHook = int(lines.size());
        outcomeAtCompletionHook = outcome;
    }
};

}  // namespace qv::test
