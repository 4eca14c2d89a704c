#include "TableSteps.h"

#include "RunHost.h"
#include "data/BufferedDataSet.h"
#include "data/Errors.h"
#include "data/SqlQuery.h"

#include <algorithm>

namespace qv {

namespace {

constexpr qint64 checkpointRows = 100;
constexpr qint64 applyRows = 5000;  // applied after rows 100, 5100, 10100, ...
// Rows waiting for an apply hold at most about this much memory; more, and
// they are applied at once (large LOB values).
constexpr qint64 applyBytes = 64 * 1024 * 1024;

QString rowCountLine(const QString& source, qint64 rows)
{
    return QStringLiteral("Insert table ") + source + QLatin1Char(' ') + QString::number(rows)
           + QStringLiteral(" Rows ");
}

// A value as a message shows it; binary data that is not text by its size.
QString shownValue(const DbValue& value)
{
    try {
        return value.toText();
    } catch (const Error&) {
        return QStringLiteral("(%1 bytes)").arg(value.toBytes().size());
    }
}

}  // namespace

void TableSteps::mysqldataReconcileError(const QString& message)
{
    if (!copying_)
        return;
    copying_->rowRefused = true;
    copying_->refusedRowMessage = message;
}

void TableSteps::copyField(int source, int target)
{
    DbValue value;
    try {
        value = oracledata_.fieldValue(source);
        mysqldata_.setFieldValue(target, value);
    } catch (const ConversionError&) {
        // Never a silent NULL, default or rounded number in its place.
        throw Error(QStringLiteral("Value '") + shownValue(value) + QStringLiteral("' of column ")
                    + oracledata_.fieldName(source) + QStringLiteral(" cannot be stored in the target column without loss"));
    }
}

RowStepResult TableSteps::transferRows(const QString& source, const QString& target)
{
    RowStepResult result;
    copying_ = &result;
    mysqldata_.onReconcileError = [this](const QString& message) { mysqldataReconcileError(message); };
    struct Done {
        TableSteps& steps;
        ~Done()
        {
            steps.copying_ = nullptr;
            steps.mysqldata_.onReconcileError = nullptr;
        }
    } done{*this};
    // An apply, counting the rows that stay in the table even when it fails.
    const auto apply = [&] {
        try {
            mysqldata_.applyUpdates(0);
        } catch (...) {
            result.rowsKept += mysqldata_.lastApplyKept();
            throw;
        }
        result.rowsKept += mysqldata_.lastApplyKept();
    };
    const auto fail = [&](const QString& message) {
        // The run writes the message once more, so it stands twice.
        result.ok = false;
        result.message = message;
        host_.appendLine(message);
    };
    try {
        oracledata_.openQuery(QStringLiteral("select * from ") + oracleName(source));
        oracledata_.first();

        const QString targetQuery = QStringLiteral("select * from ") + mysqlName(target) + QStringLiteral(" where 1=0");
        mysqldata_.close();
        mysqldata_.setCommandText(targetQuery);
        host_.copyTextToClipboard(targetQuery);
        mysqldata_.open();

        // Each source column goes to the target field of its name (letter
        // case aside): a source column the target lacks is told once, one
        // that only the server fills is left to it; a target with none of
        // them gets no rows.
        struct Copied {
            int source;
            int target;
        };
        QVector<Copied> plan;
        bool common = false;
        for (int i = 0; i < oracledata_.fieldCount(); ++i) {
            const QString name = oracledata_.fieldName(i);
            const int field = mysqldata_.fieldIndex(name);
            if (field < 0) {
                result.columnsNotCopied << name;
                continue;
            }
            common = true;
            if (!mysqldata_.fields().at(field).readOnly)
                plan.append({i, field});
        }
        if (!common && !oracledata_.eof())
            throw Error(QStringLiteral("No column of ") + source + QStringLiteral(" is a column of ") + target
                        + QStringLiteral(": no row can be copied"));

        qint64 n = 1;  // the row being copied
        while (!oracledata_.eof() && !result.rowRefused) {
            mysqldata_.append();
            for (const Copied& column : std::as_const(plan))
                copyField(column.source, column.target);
            mysqldata_.post();
            result.rowsRead = n;
            oracledata_.next();
            const bool full = mysqldata_.pendingBytes() >= applyBytes;
            if (full || (n % checkpointRows == 0 && n % applyRows == checkpointRows)) {
                apply();
                mysqldata_.close();  // empties the buffer
                mysqldata_.open();
            }
            if (n % checkpointRows == 0) {
                host_.replaceLastLine(rowCountLine(source, n));
                host_.processEvents();
                if (host_.stopRequested())
                    throw SilentAbort();
            }
            ++n;
        }
        apply();
        host_.replaceLastLine(rowCountLine(source, n - 1));
        mysqldata_.close();
        oracledata_.close();
    } catch (const Error& e) {
        fail(e.message());
    } catch (const SilentAbort&) {
        // A Stop ends the copy as a failure of this step, told in the log.
        fail(SilentAbort::text());
    }
    if (result.rowRefused)
        host_.appendLine(result.refusedRowMessage);
    return result;
}

}  // namespace qv
