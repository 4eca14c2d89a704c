#pragma once

#include "Driver.h"
#include "SqlQuery.h"

#include <QString>
#include <QVector>

namespace qv {

class DbConnection;

// Reads every row of its command into memory when opened and keeps no result
// open on its connection.
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
    DbValue fieldValue(const QString& name) const;  // of the current row

private:
    SqlQuery inner_;
    QString commandText_;
    State state_ = State::Closed;
    QVector<ColumnInfo> fields_;
    QVector<Row> rows_;
    int cursor_ = 0;
};

}  // namespace qv
