#pragma once

#include "Driver.h"
#include "RowApplier.h"
#include "SqlQuery.h"

#include <QHash>
#include <QString>
#include <QVector>
#include <exception>
#include <functional>
#include <future>
#include <optional>

namespace qv {

class DbConnection;

// Reads every row of its command into memory when opened and keeps no result
// open on its connection. Rows appended and posted go to a change log, which
// applyUpdates writes to the server as one INSERT per row inside one
// transaction (sent in parameter arrays where the table's rows can be
// rolled back, see RowApplier::apply).
class BufferedDataSet {
public:
    enum class State { Closed, Browse, Inserting };

    explicit BufferedDataSet(DbConnection* connection = nullptr);

    void setConnection(DbConnection* connection);
    void setCommandText(const QString& sql);  // takes effect at the next open
    QString commandText() const { return commandText_; }

    // Runs the command, reads all rows, closes the inner query; browse state
    // with the cursor on the first row. Nothing when already open.
    void open();
    bool eof() const;
    void close();  // discards rows and pending work; nothing when closed
    State state() const { return state_; }
    bool active() const { return state_ != State::Closed; }

    const QVector<ColumnInfo>& fields() const { return fields_; }
    int recordCount() const { return int(rows_.size()); }
    DbValue fieldValue(const QString& name) const;  // of the current row, or of the pending one

    // Browse state only: begins a new row at the end, every field unassigned.
    void append();
    // Inserting state only. Finds the field as fieldValue does and stores the
    // value converted to the field's kind. Raises "Field '%s' not found",
    // "Field '%s' cannot be modified", or a qv::ConversionError for a value
    // that does not convert or that the column would change (more fractional
    // digits than it keeps, a year outside 1 to 9999); the field then keeps
    // its state.
    void setFieldValue(const QString& name, const DbValue& value);
    // The same for the field at `index` of fields(), as a column plan made
    // once finds it.
    void setFieldValue(int index, const DbValue& value);
    // The index of the field of that name in fields() (letter case aside);
    // -1 when there is none.
    int fieldIndex(const QString& name) const;
    // Raises "Field '%s' must have a value" for a required field (NOT NULL,
    // no default, not auto-increment) left null or unassigned (the row stays
    // pending); otherwise adds the row to the rows and the change log.
    void post();
    // Browse or inserting state. Posts a pending row (drops it when no field
    // was assigned), writes the change log and empties it; returns the number
    // of refused rows. Each refused row is reported to onReconcileError after
    // the transaction has ended. Raises when the transaction cannot be begun
    // or ended.
    int applyUpdates(int maxErrors);
    // As applyUpdates, but the change log is written by another thread
    // while this one goes on: the log and the rows are emptied at once, and
    // appending and posting the next rows may go on. Until finishApply the
    // connection belongs to that apply: open, close and applyUpdates wait
    // for it first. One apply runs at a time; starting one waits for the
    // last (whose outcome finishApply no longer reports).
    void startApply(int maxErrors);
    bool applying() const { return inFlight_.valid(); }
    // Waits for the apply that startApply began, reports its refused rows to
    // onReconcileError (from this thread) and sets lastApplyKept; returns
    // their number, or raises what the apply raised. 0 when none runs.
    int finishApply();
    int pendingChanges() const;  // rows in the change log
    qint64 pendingBytes() const { return changeLogBytes_; }  // about what the change log holds in memory
    // Rows of the last applyUpdates that stay in the table (see RowApplier::kept).
    int lastApplyKept() const { return lastApplyKept_; }

    // With rounding, setFieldValue rounds a number or a time that the field
    // cannot hold exactly to what it holds (half away from zero) instead of
    // refusing it, and counts it; text and bytes are never rounded, nor is
    // a year outside 1 to 9999 or a time of day for a date. Clears the counts.
    void setRounding(bool round);
    // Values rounded since setRounding, by field name.
    const QHash<QString, qint64>& roundedCounts() const { return rounded_; }

    std::function<void(const QString& message)> onReconcileError;

private:
    // What applying the change log needs, taken from the dataset so that it
    // can run while the dataset takes new rows.
    struct ChangeLogApply {
        DbConnection* connection;
        QVector<ColumnInfo> fields;
        QVector<PostedRow> rows;
        QString quotedTable;
        int maxErrors;
        bool inArrays;
    };
    struct ApplyOutcome {
        QVector<RefusedRow> refused;
        int kept = 0;
        std::exception_ptr failure;
    };
    void postPending();  // as applyUpdates begins
    ChangeLogApply takeChangeLog(int maxErrors);  // empties the change log
    static ApplyOutcome run(const ChangeLogApply& work);
    int report(const ApplyOutcome& outcome);
    void waitForApply();
    // Raises qv::ConversionError when the column would not give back
    // `original`, which arrives there as `converted`.
    static void refuseChange(const ColumnInfo& field, const DbValue& original, const DbValue& converted);
    // `value` rounded to what the field holds; raises qv::ConversionError
    // when no rounding gives a value the field holds.
    static DbValue roundedFor(const ColumnInfo& field, const DbValue& value);
    void requireOpen() const;

    SqlQuery inner_;
    QString commandText_;
    State state_ = State::Closed;
    QVector<ColumnInfo> fields_;
    QVector<Row> rows_;
    int cursor_ = 0;
    PostedRow pending_;  // the row begun by append, in inserting state
    QVector<PostedRow> changeLog_;
    qint64 changeLogBytes_ = 0;
    int lastApplyKept_ = 0;
    bool rounding_ = false;
    QHash<QString, qint64> rounded_;
    // Whether a rollback takes back the rows of the command's table; asked
    // once for a command on a connection.
    std::optional<bool> rollsBack_;
    std::future<ApplyOutcome> inFlight_;
};

}  // namespace qv
