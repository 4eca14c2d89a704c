#pragma once

#include <QString>
#include <QStringList>

namespace qv {

class RunHost;
class TableSteps;

// What happens to a table that already exists in MySQL; the values are the
// item indexes of the choice in the wizard and in job files.
enum class ExistingTablePolicy { Overwrite = 0, Merge = 1, Skip = 2 };

// Index 0 is Overwrite, 2 is Skip, anything else (1, or no choice) Merge.
ExistingTablePolicy existingTablePolicyFromIndex(int index);

struct RunSettings {
    ExistingTablePolicy policy = ExistingTablePolicy::Overwrite;
    bool skipIndexes = false;
    bool definitionsOnly = false;
    bool namesUppercase = true;
    QString characterSet;  // empty: the server's default
};

struct RunOutcome {
    int tablesProcessed = 0;
    int tablesWithFailures = 0;  // tables with a failed drop, definition, index, row copy or refused row
    bool succeeded() const { return tablesWithFailures == 0; }
};

// The conversion run: for each selected table the existence probe, the
// existing-table policy, the definition, the indexes and the rows, each step's
// outcome written to the progress log, then the completion lines.
//
// A Stop found at a table head ends the run with qv::SilentAbort; a failure of
// the existence probe or of the index catalog query ends it with qv::Error.
class ConversionRun {
public:
    ConversionRun(TableSteps& steps, RunHost& host);
    RunOutcome run(const QStringList& tables, const RunSettings& settings);

private:
    bool convertTable(const QString& source, const RunSettings& settings);  // true when a step failed
    bool reportIndexFailures(const QString& source, const QString& target);  // true when every index was made

    TableSteps& steps_;
    RunHost& host_;
};

}  // namespace qv
