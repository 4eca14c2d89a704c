#pragma once

#include "Driver.h"

#include <QString>
#include <QStringList>
#include <QVector>

namespace qv {

class DbConnection;

// A row as posted: its values, and which fields were assigned. An assigned
// null is sent as NULL; an unassigned field is left to the column default.
struct PostedRow {
    Row values;
    QVector<bool> assigned;
};

// A row the server refused (or that did not affect exactly one row).
struct RefusedRow {
    int index = 0;  // position among the rows handed to apply()
    QString message;
};

// Writes posted rows to one table as one parameterised INSERT per row, all
// rows of one apply inside one transaction.
class RowApplier {
public:
    RowApplier(DbConnection& connection, const QVector<ColumnInfo>& fields);

    // The name after "from" in a query text: a quoted name to its closing
    // quote, otherwise the word up to the next blank; empty when the text
    // has none.
    static QString tableNameOf(const QString& commandText);
    // Unchanged when it begins or ends with a quote; otherwise each dotted
    // part enclosed in `quote`.
    static QString quotedTableName(const QString& table, const QString& quote);
    // The four CR LF terminated lines of the INSERT for these columns.
    static QString insertStatementText(const QString& quotedTable, const QStringList& columns, const QString& quote);

    // Sends the rows in order. Refused rows are counted; once their number
    // exceeds maxErrors (negative: no limit) the rest is not sent. A
    // transaction begun here is committed when the count stays within
    // maxErrors, otherwise rolled back. Raises only when the transaction
    // cannot be begun or ended.
    QVector<RefusedRow> apply(const QString& quotedTable, const QVector<PostedRow>& rows, int maxErrors);
    // Rows of the last apply that stay in the table: those committed, or on
    // a table without transactions those sent before a failure.
    int kept() const { return kept_; }

private:
    DbConnection& connection_;
    const QVector<ColumnInfo>& fields_;
    int kept_ = 0;
};

}  // namespace qv
