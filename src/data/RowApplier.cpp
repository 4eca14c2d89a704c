#include "RowApplier.h"

#include "DbConnection.h"
#include "Errors.h"
#include "TransactionScope.h"

#include <map>
#include <memory>
#include <optional>

namespace qv {

namespace {

bool isBlank(QChar c)
{
    return c.unicode() <= 0x20 || c.isSpace();
}

bool isQuote(QChar c)
{
    return c == QLatin1Char('"') || c == QLatin1Char('\'') || c == QLatin1Char('`');
}

const QString rowNotFound = QStringLiteral("Record not found or changed by another user");
const QString tooManyRows = QStringLiteral("Update affected more than 1 record.");

}  // namespace

RowApplier::RowApplier(DbConnection& connection, const QVector<ColumnInfo>& fields)
    : connection_(connection), fields_(fields)
{
}

QString RowApplier::tableNameOf(const QString& commandText)
{
    bool afterFrom = false;
    qsizetype i = 0;
    const qsizetype n = commandText.size();
    while (i < n) {
        while (i < n && isBlank(commandText.at(i)))
            ++i;
        const qsizetype begin = i;
        while (i < n && !isBlank(commandText.at(i)))
            ++i;
        if (begin == i)
            break;
        if (afterFrom && isQuote(commandText.at(begin))) {
            // A quoted name runs to its closing quote; a doubled quote is part of it.
            const QChar quote = commandText.at(begin);
            qsizetype end = begin + 1;
            while (end < n) {
                if (commandText.at(end) == quote) {
                    if (end + 1 < n && commandText.at(end + 1) == quote) {
                        end += 2;
                        continue;
                    }
                    return commandText.mid(begin, end + 1 - begin);
                }
                ++end;
            }
            return {};
        }
        const QStringView word = QStringView(commandText).mid(begin, i - begin);
        if (afterFrom)
            return word.toString();
        afterFrom = word.compare(QLatin1String("from"), Qt::CaseInsensitive) == 0;
    }
    return {};
}

namespace {

// A name between quote characters; a quote character inside the name is
// doubled, as the server reads it, so no name can break the statement.
QString quoteIdentifier(const QString& name, const QString& quote)
{
    QString inner = name;
    inner.replace(quote, quote + quote);
    return quote + inner + quote;
}

}  // namespace

QString RowApplier::quotedTableName(const QString& table, const QString& quote)
{
    if (table.isEmpty() || isQuote(table.front()) || isQuote(table.back()))
        return table;
    QStringList parts = table.split(QLatin1Char('.'));
    for (QString& part : parts)
        part = quoteIdentifier(part, quote);
    return parts.join(QLatin1Char('.'));
}

QString RowApplier::insertStatementText(const QString& quotedTable, const QStringList& columns, const QString& quote)
{
    QStringList names, marks;
    for (const QString& column : columns) {
        names << quoteIdentifier(column, quote);
        marks << QStringLiteral("?");
    }
    const QString crlf = QStringLiteral("\r\n");
    return QStringLiteral("insert into ") + quotedTable + crlf + QStringLiteral("  (") + names.join(QStringLiteral(", "))
           + QStringLiteral(")") + crlf + QStringLiteral("values") + crlf + QStringLiteral("  (")
           + marks.join(QStringLiteral(", ")) + QStringLiteral(")") + crlf;
}

QVector<int> RowApplier::parameterColumns(const PostedRow& row) const
{
    // A value given for an auto-increment column is kept as it is.
    QVector<int> columns;
    for (int f = 0; f < fields_.size(); ++f)
        if (row.assigned.value(f) && !fields_.at(f).readOnly)
            columns << f;
    return columns;
}

QString RowApplier::statementText(const QString& quotedTable, const QVector<int>& columns) const
{
    QStringList names;
    for (int f : columns)
        names << fields_.at(f).name;
    return insertStatementText(quotedTable, names, connection_.quoteChar());
}

namespace {

// About the bytes a value takes in an array, as the driver counts them.
qint64 arrayBytesOf(const DbValue& value)
{
    switch (value.kind()) {
    case ValueKind::Null: return 0;
    case ValueKind::Text: {
        qint64 bytes = 4;
        const QString* text = value.textIf();
        for (const QChar c : text ? *text : value.toText())
            bytes += c.unicode() < 0x80 ? 1 : c.unicode() < 0x800 || c.isSurrogate() ? 2 : 3;
        return bytes;
    }
    case ValueKind::Bytes: return value.toBytes().size() + 4;
    case ValueKind::Decimal: return (value.decimalIf() ? value.decimalIf()->digits.size() : 40) + 6;
    default: return 12;
    }
}

}  // namespace

QVector<RefusedRow> RowApplier::apply(const QString& quotedTable, const QVector<PostedRow>& rows, int maxErrors,
                                      bool inArrays)
{
    if (inArrays && connection_.session().takesArrays() && applyInArrays(quotedTable, rows))
        return {};
    return applyRowByRow(quotedTable, rows, maxErrors);
}

bool RowApplier::applyInArrays(const QString& quotedTable, const QVector<PostedRow>& rows)
{
    DriverSession& session = connection_.session();
    // Only rows that a rollback takes back can be sent again one by one.
    TransactionScope transaction(connection_);
    if (!transaction.owned())
        return false;
    try {
        std::map<QVector<int>, std::unique_ptr<DriverStatement>> statements;
        QVector<const Row*> array;
        int r = 0;
        while (r < rows.size()) {
            const QVector<int> columns = parameterColumns(rows.at(r));
            auto& statement = statements[columns];
            if (!statement)
                statement = session.prepare(statementText(quotedTable, columns));
            const qint64 limit = statement->arrayBytes();
            if (limit <= 0)
                return false;
            // The rows with these columns, in arrays of a bounded size; a row
            // larger than that goes alone, its large values in pieces.
            array.clear();
            qint64 bytes = 0;
            const auto flush = [&]() -> bool {
                if (array.isEmpty())
                    return true;
                const qsizetype size = array.size();
                const quint64 affected = statement->executeArray(array, columns);
                array.clear();
                bytes = 0;
                return affected == quint64(size);
            };
            const QVector<bool> assigned = rows.at(r).assigned;
            for (; r < rows.size() && rows.at(r).assigned == assigned; ++r) {
                const Row& values = rows.at(r).values;
                qint64 rowBytes = 0;
                for (int f : columns)
                    rowBytes += arrayBytesOf(values.at(f));
                if (rowBytes > limit) {
                    if (!flush())
                        return false;
                    Row parameters;
                    for (int f : columns)
                        parameters << values.at(f);
                    if (statement->execute(parameters) != 1)
                        return false;
                    continue;
                }
                if (bytes + rowBytes > limit && !flush())
                    return false;
                array << &values;
                bytes += rowBytes;
            }
            if (!flush())
                return false;
        }
        transaction.commit();
    } catch (const ConnectionFailure&) {
        throw;  // nothing to send again on
    } catch (const Error&) {
        // Rolled back; the rows go again one by one, which finds the refused
        // one with the message a single INSERT gives.
        return false;
    }
    kept_ = int(rows.size());
    return true;
}

QVector<RefusedRow> RowApplier::applyRowByRow(const QString& quotedTable, const QVector<PostedRow>& rows,
                                              int maxErrors)
{
    DriverSession& session = connection_.session();
    TransactionScope transaction(connection_);

    QVector<RefusedRow> refused;
    kept_ = 0;
    int sent = 0;  // rows the server took
    try {
        // Rows with the same assigned columns share one prepared statement;
        // they are all freed when this apply ends.
        std::map<QVector<int>, std::unique_ptr<DriverStatement>> statements;
        for (int r = 0; r < rows.size(); ++r) {
            const PostedRow& row = rows.at(r);
            const QVector<int> columns = parameterColumns(row);
            Row parameters;
            for (int f : columns)
                parameters << row.values.value(f);

            std::optional<QString> failure;
            try {
                auto& statement = statements[columns];
                if (!statement)
                    statement = session.prepare(statementText(quotedTable, columns));
                const quint64 affected = statement->execute(parameters);
                if (affected == 0)
                    failure = rowNotFound;
                else if (affected > 1)
                    failure = tooManyRows;
            } catch (const ParameterTooLarge& e) {
                failure = QStringLiteral("The value of column %1 has %2 bytes; the server takes at most %3 bytes "
                                         "(max_allowed_packet)")
                              .arg(fields_.at(columns.value(e.index)).name)
                              .arg(e.bytes)
                              .arg(e.limit);
            } catch (const Error& e) {
                failure = e.message();
                if (const auto it = statements.find(columns); it != statements.end() && !it->second)
                    statements.erase(it);  // the prepare failed; a later row tries again
            }
            if (!failure) {
                ++sent;
                continue;
            }
            refused.append({r, *failure});
            if (maxErrors >= 0 && refused.size() > maxErrors)
                break;
        }
    } catch (...) {
        // Rows sent inside a caller's transaction are the caller's; an own
        // one is rolled back, and rows a table without transactions keeps
        // are counted. A rollback that fails with the connection leaves the
        // server to take back what it can.
        bool undone = false;
        if (transaction.owned()) {
            try {
                undone = transaction.rollback();
            } catch (const Error&) {
                undone = true;
            }
        }
        kept_ = undone ? 0 : sent;
        throw;
    }

    if (maxErrors < 0 || refused.size() <= maxErrors)
        transaction.commit();
    else if (transaction.rollback())
        sent = 0;
    kept_ = sent;
    return refused;
}

}  // namespace qv
