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

void TableSteps::copyField(const QString& name)
{
    DbValue value;
    try {
        value = oracledata_.fieldValue(name);
        mysqldata_.setFieldValue(name, value);
    } catch (const ConversionError&) {
        // Never a silent NULL, default or rounded number in its place.
        throw Error(QStringLiteral("Value '") + shownValue(value) + QStringLiteral("' of column ") + name
                    + QStringLiteral(" cannot be stored in the target column without loss"));
    } catch (const Error&) {
        // The target has no such column, or one that only the server fills.
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

        // Matched by name, as copyField does: a source column the target
        // lacks is told once; a target with none of them gets no rows.
        bool common = false;
        for (int i = 0; i < oracledata_.fieldCount(); ++i) {
            const QString name = oracledata_.fieldName(i);
            const auto& fields = mysqldata_.fields();
            if (std::any_of(fields.begin(), fields.end(), [&](const ColumnInfo& field) {
                    return field.name.compare(name, Qt::CaseInsensitive) == 0;
                }))
                common = true;
            else
                result.columnsNotCopied << name;
        }
        if (!common && !oracledata_.eof())
            throw Error(QStringLiteral("No column of ") + source + QStringLiteral(" is a column of ") + target
                        + QStringLiteral(": no row can be copied"));

        qint64 n = 1;  // the row being copied
        while (!oracledata_.eof() && !result.rowRefused) {
            mysqldata_.append();
            for (int i = 0; i < oracledata_.fieldCount(); ++i)
                copyField(oracledata_.fieldName(i));
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
