#pragma once

#include "ConversionSettings.h"
#include "RunHost.h"
#include "TableConstraints.h"

#include <QString>
#include <QStringList>

namespace qv {

class TableSteps;

// The conversion run: for each selected table the existence probe, the
// existing-table policy, the definition, the indexes and the rows, each step's
// outcome written to the progress log; with keys and constraints the foreign
// keys between the run's tables after the last table; then the completion
// lines. The
// settings give the policy, the options and the character set; the tables
// are the source names in their order.
//
// A Stop found at a table head ends the run with qv::SilentAbort; a failure of
// the existence probe or of the index catalog query ends it with qv::Error.
class ConversionRun {
public:
    ConversionRun(TableSteps& steps, RunHost& host);
    RunOutcome run(const QStringList& tables, const ConversionSettings& settings);

private:
    // True when a step failed; the foreign keys of a table it created join `foreignKeys`.
    bool convertTable(const QString& source, const ConversionSettings& settings, QVector<ForeignKey>& foreignKeys);
    // Adds each key whose parent is one of `tables`, names the others; the
    // source tables whose key MySQL refused.
    QStringList addForeignKeys(const QStringList& tables, const ConversionSettings& settings,
                               const QVector<ForeignKey>& keys);
    void stopWhenAsked();  // raises SilentAbort after a Stop
    bool reportIndexFailures(const QString& source, const QString& target);  // true when every index was made

    TableSteps& steps_;
    RunHost& host_;
};

}  // namespace qv
