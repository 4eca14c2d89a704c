#include "TableSteps.h"

#include "RunHost.h"
#include "data/BufferedDataSet.h"
#include "data/DbConnection.h"
#include "data/Errors.h"
#include "data/Geometry.h"
#include "data/SqlQuery.h"

#include <algorithm>

namespace qv {

namespace {

constexpr qint64 checkpointRows = 100;
constexpr qint64 applyRows = 5000;  // applied after rows 100, 5100, 10100, ...
// Rows waiting for an apply hold at most about this much memory; more, and
// they are applied at once (large LOB values). An apply runs while the next
// rows gather, so twice this is held at most.
constexpr qint64 applyBytes = 32 * 1024 * 1024;

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

void TableSteps::copyField(const Copied& column, qint64 row)
{
    const int source = column.source;
    DbValue value;
    try {
        value = oracledata_.fieldValue(source);
        // A geometry goes to MySQL as its SRID and its well-known binary.
        if (column.srid >= 0 && !value.isNull()) {
            const DbValue srid = oracledata_.fieldValue(column.srid);
            value = DbValue::fromBytes(mysqlGeometry(value.toBytes(), srid.isNull() ? 0 : srid.toInteger()));
        }
        mysqldata_.setFieldValue(column.target, value);
    } catch (const ConversionError&) {
        // Never a silent NULL, default or rounded number in its place.
        throw Error(QStringLiteral("Value '") + shownValue(value) + QStringLiteral("' of column ")
                    + oracledata_.fieldName(source) + QStringLiteral(" in row ") + QString::number(row)
                    + QStringLiteral(" cannot be stored in the target column without loss"));
    }
}

RowStepResult TableSteps::transferRows(const QString& source, const QString& target)
{
    RowStepResult result;
    copying_ = &result;
    mysqldata_.onReconcileError = [this](const QString& message) { mysqldataReconcileError(message); };
    // While the source's server is waited for, the window goes on and a
    // Stop (or a signal) ends the wait, breaking the call under way.
    DbConnection* const sourceConnection = oracledata_.connection();
    DriverSession* sourceSession =
        sourceConnection && sourceConnection->connected() ? &sourceConnection->session() : nullptr;
    if (sourceSession)
        sourceSession->setWaitHandler([this] {
            host_.processEvents();
            if (host_.stopRequested())
                throw SilentAbort();
        });
    struct Done {
        TableSteps& steps;
        DriverSession* source;
        ~Done()
        {
            steps.copying_ = nullptr;
            steps.mysqldata_.onReconcileError = nullptr;
            if (source)
                source->setWaitHandler(nullptr);
        }
    } done{*this, sourceSession};
    // An apply, or the end of one, counting the rows that stay in the table
    // even when it fails.
    const auto counted = [&](const auto& step) {
        try {
            step();
        } catch (...) {
            result.rowsKept += mysqldata_.lastApplyKept();
            throw;
        }
        result.rowsKept += mysqldata_.lastApplyKept();
    };
    // After a failure or a Stop: the running apply ends all the same, its
    // rows counted (its own failure is not the one to tell). Should it have
    // refused a row, the copy ends there, as rows sent one by one would
    // have ended it before reading on; true then.
    qint64 inFlightAt = 0;  // the row count at which the running apply began
    const auto settleInFlight = [&] {
        if (!mysqldata_.applying())
            return false;
        try {
            counted([this] { mysqldata_.finishApply(); });
        } catch (const Error&) {
            return false;
        }
        if (!result.rowRefused)
            return false;
        result.rowsRead = inFlightAt;
        host_.replaceLastLine(rowCountLine(source, inFlightAt));
        mysqldata_.close();
        oracledata_.close();
        return true;
    };
    const auto fail = [&](const QString& message) {
        // The run writes the message once more, so it stands twice.
        result.ok = false;
        result.message = message;
        host_.appendLine(message);
    };
    mysqldata_.setRounding(roundValues_);
    try {
        // The columns as the catalog has them: those without a MySQL home
        // are not read, XML and geometries through Oracle's functions.
        const QVector<SourceColumn> columns = readSourceColumns(source);
        const SourceRowQuery query =
            sourceRowQuery(oracleName(source), columns, [this](const QString& name) { return oracleName(name); });
        for (const SourceColumn& column : columns)
            if (column.reading == SourceColumn::Reading::None)
                result.columnsNotCopied << column.described();
        if (query.sql.isEmpty())
            throw Error(QStringLiteral("No column of %1 has a MySQL type: no row can be copied").arg(source));
        oracledata_.openQuery(query.sql);
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
        QVector<Copied> plan;
        bool common = false;
        for (int i = 0; i < oracledata_.fieldCount(); ++i) {
            const SourceItem item = i < query.items.size() ? query.items.at(i)
                                                           : SourceItem{SourceItem::Role::Value, oracledata_.fieldName(i)};
            if (item.role == SourceItem::Role::GeometrySrid)
                continue;  // it goes with the geometry before it
            const int field = mysqldata_.fieldIndex(item.column);
            if (field < 0) {
                result.columnsNotCopied << item.column;
                continue;
            }
            common = true;
            if (!mysqldata_.fields().at(field).readOnly)
                plan.append({i, field, item.role == SourceItem::Role::GeometryWkb ? i + 1 : -1});
        }
        if (!common && !oracledata_.eof())
            throw Error(QStringLiteral("No column of ") + source + QStringLiteral(" is a column of ") + target
                        + QStringLiteral(": no row can be copied"));

        // Each apply runs while the next rows are read; it is finished
        // before the next one starts, and before the copy ends in any way.
        // A refused row found then ends the copy where rows sent one by one
        // would have ended it: at the row count of that apply.
        qint64 n = 1;  // the row being copied
        const QString callersLine = host_.lastLine();
        const auto finishInFlight = [&] {
            if (!mysqldata_.applying())
                return;
            try {
                counted([this] { mysqldata_.finishApply(); });
            } catch (...) {
                // As the log stood when rows sent one by one would have failed.
                const qint64 shown = (inFlightAt - 1) / checkpointRows * checkpointRows;
                host_.replaceLastLine(shown > 0 ? rowCountLine(source, shown) : callersLine);
                throw;
            }
            if (result.rowRefused)
                result.rowsRead = inFlightAt;
        };
        while (!oracledata_.eof() && !result.rowRefused) {
            mysqldata_.append();
            for (const Copied& column : std::as_const(plan))
                copyField(column, n);
            mysqldata_.post();
            result.rowsRead = n;
            oracledata_.next();
            const bool full = mysqldata_.pendingBytes() >= applyBytes;
            if (full || (n % checkpointRows == 0 && n % applyRows == checkpointRows)) {
                finishInFlight();
                if (result.rowRefused)
                    break;  // these rows are never sent
                mysqldata_.startApply(0);  // empties the buffer
                inFlightAt = n;
            }
            if (n % checkpointRows == 0) {
                if (onRowsRead)
                    onRowsRead(n);
                host_.replaceLastLine(rowCountLine(source, n));
                host_.processEvents();
                if (host_.stopRequested())
                    throw SilentAbort();
            }
            ++n;
        }
        finishInFlight();
        if (!result.rowRefused)
            counted([this] { mysqldata_.applyUpdates(0); });
        host_.replaceLastLine(rowCountLine(source, result.rowsRead));
        if (onRowsRead)
            onRowsRead(result.rowsRead);
        mysqldata_.close();
        oracledata_.close();
    } catch (const Error& e) {
        if (!settleInFlight())
            fail(e.message());
        oracledata_.close();  // a read-ahead waiting on the server is broken
    } catch (const SilentAbort&) {
        // A Stop ends the copy as a failure of this step, told in the log.
        if (!settleInFlight())
            fail(SilentAbort::text());
        oracledata_.close();
    }
    if (result.rowRefused)
        host_.appendLine(result.refusedRowMessage);
    QStringList rounded = mysqldata_.roundedCounts().keys();
    rounded.sort();
    for (const QString& column : std::as_const(rounded))
        result.rounded.append({column, mysqldata_.roundedCounts().value(column)});
    return result;
}

}  // namespace qv
