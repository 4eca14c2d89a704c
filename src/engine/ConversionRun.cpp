#include "ConversionRun.h"

#include "NameCase.h"
#include "RunHost.h"
#include "TableSteps.h"
#include "data/Errors.h"

#include <QElapsedTimer>
#include <QHash>
#include <QSet>

namespace qv {

ConversionRun::ConversionRun(TableSteps& steps, RunHost& host) : steps_(steps), host_(host) {}

RunOutcome ConversionRun::run(const QStringList& tables, const ConversionSettings& settings)
{
    steps_.LockTargetDatabase();
    struct Unlock {
        TableSteps& steps;
        ~Unlock() { steps.UnlockTargetDatabase(); }
    } unlock{steps_};
    host_.runStarting();
    host_.setStopRequested(false);
    steps_.setRoundValues(settings.roundValues);
    if (steps_.sourceWaitsWithoutTimeLimit())
        host_.appendLine(QStringLiteral("The Oracle client has no time limit for its calls (Oracle Client 18c and "
                                        "later have one): a server that stops answering holds the run until it answers"));

    steps_.setKeysAndConstraints(settings.keysAndConstraints);

    // How far the run is, against Oracle's row estimates: one dictionary
    // query, whose failure only leaves them out.
    ProgressMeter meter(steps_.readRowEstimates(tables));
    QElapsedTimer clock;
    clock.start();
    const auto show = [&] {
        if (meter.due(clock.elapsed()))
            host_.progressChanged(meter.progress());
    };
    steps_.onRowsRead = [&](qint64 rows) {
        meter.rowsRead(rows, clock.elapsed());
        show();
    };
    struct Unhook {
        TableSteps& steps;
        ~Unhook() { steps.onRowsRead = nullptr; }
    } unhook{steps_};

    RunOutcome outcome;
    QSet<QString> failedTables;
    QVector<ForeignKey> foreignKeys;
    for (qsizetype i = 0; i < tables.size(); ++i) {
        const QString& source = tables.at(i);
        stopWhenAsked();
        meter.tableStarting(int(i), source, clock.elapsed());
        show();
        if (convertTable(source, settings, foreignKeys)) {
            ++outcome.tablesWithFailures;
            failedTables.insert(source);
        }
        ++outcome.tablesProcessed;
        meter.tableDone(clock.elapsed());
        show();
    }
    // Once every table holds its rows, so that no copy meets a key whose
    // parent rows are still to come.
    for (const QString& source : addForeignKeys(tables, settings, foreignKeys))
        if (!failedTables.contains(source)) {
            failedTables.insert(source);
            ++outcome.tablesWithFailures;
        }

    meter.runDone(clock.elapsed());
    host_.progressChanged(meter.progress());

    host_.appendLine(host_.completionText(CompletionLine::Completed));
    if (outcome.succeeded())
        host_.appendLine(host_.completionText(CompletionLine::Migrated));
    else
        host_.appendLine(host_.completionText(CompletionLine::MigratedWithErrors)
                             .arg(QString::number(outcome.tablesWithFailures),
                                  QString::number(outcome.tablesProcessed)));
    host_.completionLinesWritten(outcome);
    host_.appendLine(host_.completionText(CompletionLine::ClickFinish));
    return outcome;
}

void ConversionRun::stopWhenAsked()
{
    if (host_.stopRequested()) {
        host_.setStopRequested(false);
        throw SilentAbort();
    }
}

QStringList ConversionRun::addForeignKeys(const QStringList& tables, const ConversionSettings& settings,
                                          const QVector<ForeignKey>& keys)
{
    QStringList failed;
    QStringList outsideTables;  // by target, in the order of their first key
    QHash<QString, QStringList> outside;
    for (const ForeignKey& key : keys) {
        stopWhenAsked();
        const QString target = ApplyNameCase(key.table, settings.namesUppercase);
        if (key.parentTable.isEmpty() || !tables.contains(key.parentTable)) {
            if (!outside.contains(target))
                outsideTables << target;
            outside[target] << key.name
                                   + (key.parentTable.isEmpty()
                                          ? QStringLiteral(" (to a table of another schema)")
                                          : QStringLiteral(" (to %1, which this run does not convert)")
                                                .arg(key.parentTable));
            continue;
        }
        const QString head = QStringLiteral("Add foreign key ") + key.name + QStringLiteral(" to ") + target
                             + QStringLiteral("...");
        host_.appendLine(head + u' ');
        host_.processEvents();
        const StepResult added =
            steps_.AddForeignKey(key, target, ApplyNameCase(key.parentTable, settings.namesUppercase));
        if (added.ok) {
            host_.replaceLastLine(head + QStringLiteral("Done"));
        } else {
            host_.appendLine(added.message);
            if (!failed.contains(key.table))
                failed << key.table;
        }
    }
    for (const QString& target : std::as_const(outsideTables))
        host_.appendLine(QStringLiteral("Foreign keys not carried to ") + target + QStringLiteral(": ")
                         + outside.value(target).join(QStringLiteral("; ")));
    if (!keys.isEmpty())
        host_.appendLine(QString());
    return failed;
}

bool ConversionRun::reportIndexFailures(const QString& source, const QString& target)
{
    // A unique index that MySQL refused loses a guarantee the source had:
    // each refused statement is told, with the server's reason.
    const IndexStepResult indexes = steps_.CreateTargetIndexes(source, target);
    if (!indexes.primaryKeyIndex.isEmpty()) {
        host_.appendLine(QStringLiteral("Index ") + indexes.primaryKeyIndex + QStringLiteral(" is the primary key of ")
                         + target);
        if (indexes.refused.isEmpty())
            host_.appendLine(QString());
    }
    for (const auto& failure : indexes.refused) {
        host_.appendLine(QStringLiteral("Create index ") + failure.keyName + QStringLiteral("... "));
        host_.appendLine(failure.message);
    }
    if (indexes.refused.isEmpty())
        return true;
    host_.appendLine(QString());
    return false;
}

namespace {

constexpr qsizetype maxMySqlNameLength = 64;

// Where Overwrite keeps the user's table until its replacement exists: a
// name of at most 64 characters that no conversion creates.
QString asideName(const QString& target)
{
    return target.left(50) + QStringLiteral("~qv_old");
}

}  // namespace

bool ConversionRun::convertTable(const QString& source, const ConversionSettings& settings,
                                 QVector<ForeignKey>& foreignKeys)
{
    const QString target = ApplyNameCase(source, settings.namesUppercase);
    // Oracle takes names of up to 128 characters; such a table cannot be
    // made at all, and nothing of the run needs to touch MySQL for it.
    // A name the connection character set cannot carry fails this table
    // alone, for the same reason.
    QString unfit;
    if (const qsizetype length = target.toUcs4().size(); length > maxMySqlNameLength)
        unfit = QStringLiteral("The name %1 has %2 characters; MySQL takes at most %3")
                    .arg(target)
                    .arg(length)
                    .arg(maxMySqlNameLength);
    else if (const StepResult written = steps_.CheckTargetName(target); !written.ok)
        unfit = written.message;
    if (!unfit.isEmpty()) {
        host_.appendLine(QStringLiteral("Create table ") + target + QStringLiteral("... "));
        host_.appendLine(unfit);
        host_.appendLine(QString());
        return true;
    }
    const bool exists = steps_.TableExists(target);
    bool failed = false;
    QStringList toldLeftOut;  // columns the definition step told as not copied
    bool keptAside = false;  // the existing table waits under asideName() for its replacement

    if (exists && settings.policy() == ExistingTablePolicy::Overwrite) {
        host_.appendLine(QStringLiteral("Drop table ") + target + QStringLiteral("... "));
        const StepResult moved = steps_.RenameTable(target, asideName(target));
        if (!moved.ok) {
            // Without its place aside the user's table would take the new
            // definition's indexes and rows: it stays untouched, and so does
            // this table's conversion.
            if (steps_.TableExists(asideName(target)))
                host_.appendLine(QStringLiteral("Table ") + target + QStringLiteral(" is kept as it was: the table ")
                                 + asideName(target) + QStringLiteral(", left by an earlier run, is in the way; drop "
                                                                      "or rename it, then convert ")
                                 + target + QStringLiteral(" again"));
            else
                host_.appendLine(moved.message + QStringLiteral("; table ") + target
                                 + QStringLiteral(" is kept as it was"));
            host_.appendLine(QString());
            return true;
        }
        keptAside = true;
        host_.appendLine(QStringLiteral("Drop table ") + target + QStringLiteral("...Done"));
        host_.appendLine(QString());
    } else if (exists && settings.policy() == ExistingTablePolicy::Skip) {
        host_.appendLine(QStringLiteral("Skip table ") + target + QStringLiteral("... "));
        host_.appendLine(QString());
    }

    if (!exists || settings.policy() == ExistingTablePolicy::Overwrite) {
        host_.appendLine(QStringLiteral("Create table ") + target + QStringLiteral("... "));
        const DefinitionStepResult created = steps_.CreateTargetTable(source, target, settings.characterSet());
        if (created.ok) {
            host_.replaceLastLine(QStringLiteral("Create table ") + target + QStringLiteral("...Done"));
        } else {
            host_.appendLine(created.message);
            failed = true;
        }
        for (const QString& note : created.notes)
            host_.appendLine(note);
        if (created.ok && !created.columnsLeftOut.isEmpty()) {
            host_.appendLine(QStringLiteral("Columns not copied to ") + target + QStringLiteral(": ")
                             + created.columnsLeftOut.join(QStringLiteral(", ")));
            failed = true;
        }
        toldLeftOut = created.columnsLeftOut;
        foreignKeys << created.foreignKeys;
        if (keptAside && !created.ok) {
            // The user's table goes back, untouched: no indexes, no rows.
            const StepResult restored = steps_.RenameTable(asideName(target), target);
            host_.appendLine(restored.ok ? QStringLiteral("Table ") + target + QStringLiteral(" is kept as it was")
                                         : QStringLiteral("The existing table ") + target
                                               + QStringLiteral(" is kept as ") + asideName(target)
                                               + QStringLiteral(": ") + restored.message);
            host_.appendLine(QString());
            return true;
        }
        if (keptAside) {
            const StepResult dropped = steps_.DropTable(asideName(target));
            if (!dropped.ok) {
                host_.appendLine(QStringLiteral("The replaced table ") + target + QStringLiteral(" is left as ")
                                 + asideName(target) + QStringLiteral(": ") + dropped.message);
                failed = true;
            }
        }
        host_.appendLine(QString());
        // Also after a failed definition: the target may hold a table of that name.
        if (!settings.skipIndexes && !reportIndexFailures(source, target))
            failed = true;
    }

    if (!settings.tableDefinitionsOnly) {
        if (exists && settings.policy() == ExistingTablePolicy::Skip) {
            host_.appendLine(QStringLiteral("Skip table ") + target);
        } else {
            host_.appendLine(QStringLiteral("Insert table ") + target + QStringLiteral("... "));
            host_.processEvents();
            const RowStepResult copied = steps_.transferRows(source, target);
            if (copied.ok) {
                host_.replaceLastLine(host_.lastLine() + QStringLiteral("...Done"));
            } else {
                host_.appendLine(copied.message);
                failed = true;
            }
            if (copied.rowRefused)
                failed = true;
            if (!copied.ok || copied.rowRefused)
                host_.appendLine(QStringLiteral("Rows kept in ") + target + QStringLiteral(": ")
                                 + QString::number(copied.rowsKept));
            QStringList notCopied = copied.columnsNotCopied;
            for (const QString& told : std::as_const(toldLeftOut))
                notCopied.removeAll(told);
            if (!notCopied.isEmpty()) {
                host_.appendLine(QStringLiteral("Columns not copied to ") + target + QStringLiteral(": ")
                                 + notCopied.join(QStringLiteral(", ")));
                failed = true;
            }
            for (const auto& [column, count] : copied.rounded)
                host_.appendLine(QStringLiteral("Rounded %1 %2 of column %3 of %4 to the target column")
                                     .arg(count)
                                     .arg(count == 1 ? QStringLiteral("value") : QStringLiteral("values"), column,
                                          target));
        }
        host_.appendLine(QString());
    }
    return failed;
}

}  // namespace qv
