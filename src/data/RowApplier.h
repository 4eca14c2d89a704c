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
// rows of one apply inside one transaction; the server may take the INSERT
// for many rows at once as parameter arrays.
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
    //
    // With inArrays, and when this apply owns its transaction, the rows go
    // first in parameter arrays of a bounded size (when the driver takes
    // them). Should any array fail, the transaction is rolled back and the
    // rows are sent again one by one in a new one, so that the outcome, the
    // refused rows and their messages are those of single INSERTs. Only a
    // table whose rows a rollback takes back may be written in arrays.
    QVector<RefusedRow> apply(const QString& quotedTable, const QVector<PostedRow>& rows, int maxErrors,
                              bool inArrays = false);
    // Rows of the last apply that stay in the table: those committed, or on
    // a table without transactions those sent before a failure.
    int kept() const { return kept_; }

private:
    // The fields a row sends: assigned, and not filled by the server.
    QVector<int> parameterColumns(const PostedRow& row) const;
    QString statementText(const QString& quotedTable, const QVector<int>& columns) const;
    // True when every row went in and the transaction was committed; false
    // (nothing kept) when arrays are not taken or one failed.
    bool applyInArrays(const QString& quotedTable, const QVector<PostedRow>& rows);
    QVector<RefusedRow> applyRowByRow(const QString& quotedTable, const QVector<PostedRow>& rows, int maxErrors);

    DbConnection& connection_;
    const QVector<ColumnInfo>& fields_;
    int kept_ = 0;
};

}  // namespace qv
