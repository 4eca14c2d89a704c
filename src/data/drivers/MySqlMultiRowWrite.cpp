// The write path for servers without parameter arrays (MySQL, TiDB, Vitess):
// the rows of one array go as prepared INSERTs of many rows each,
// "insert into t (...) values (?, ?), (?, ?), ...". Each is prepared once
// per row count and kept by the session for the applies that follow.

#include "MySqlSession.h"
#include "MySqlStatement.h"

#include <algorithm>

namespace qv {

namespace {

// A prepared statement takes at most 65,535 placeholders: the count is two
// bytes of the protocol (MySQL manual, "Server Error Message Reference",
// error 1390 ER_PS_MANY_PARAM; MariaDB has the same limit).
constexpr qsizetype mostPlaceholders = 65535;

// Where the last "(?, ?, ...)" of a statement begins; -1 when it ends in none.
qsizetype lastRowOfPlaceholders(const QByteArray& text)
{
    qsizetype end = text.size();
    while (end > 0 && (text.at(end - 1) == ' ' || text.at(end - 1) == '\r' || text.at(end - 1) == '\n'))
        --end;
    if (end == 0 || text.at(end - 1) != ')')
        return -1;
    const qsizetype begin = text.lastIndexOf('(', end - 1);
    if (begin < 0)
        return -1;
    for (qsizetype i = begin + 1; i < end - 1; ++i)
        if (!QByteArrayView("?, \r\n").contains(text.at(i)))
            return -1;
    return begin;
}

}  // namespace

QByteArray MySqlStatement::multiRowText(int count) const
{
    const qsizetype at = lastRowOfPlaceholders(text_);
    if (at < 0)
        throw ArraysNotTaken(QStringLiteral("The statement ends in no row of parameters"));
    QByteArray row = text_.mid(at);
    while (row.endsWith('\n') || row.endsWith('\r') || row.endsWith(' '))
        row.chop(1);
    QByteArray text = text_.left(at);
    text.reserve(text.size() + count * (row.size() + 1));
    for (int r = 0; r < count; ++r) {
        if (r > 0)
            text += ',';
        text += row;
    }
    return text;
}

quint64 MySqlStatement::executeInMultiRowStatements(const QVector<const Row*>& rows, const QVector<int>& columns)
{
    const unsigned long count = mysql_stmt_param_count(stmt_);
    if (count != static_cast<unsigned long>(columns.size()))
        throw Error(QStringLiteral("The statement takes %1 parameters, not %2").arg(count).arg(columns.size()));
    if (columns.isEmpty())
        throw ArraysNotTaken(QStringLiteral("A row without parameters goes alone"));
    const qsizetype perStatement = std::max<qsizetype>(mostPlaceholders / columns.size(), 1);
    // The rows go in statements of a full count and, for the rest, of
    // powers of two: a few prepared statements serve every array size.
    quint64 affected = 0;
    Row parameters;
    for (qsizetype done = 0; done < rows.size();) {
        const qsizetype left = rows.size() - done;
        qsizetype take = perStatement;
        if (left < perStatement)
            for (take = 1; take * 2 <= left;)
                take *= 2;
        parameters.clear();
        parameters.reserve(take * columns.size());
        for (qsizetype r = done; r < done + take; ++r)
            for (const int c : columns)
                parameters << rows.at(r)->at(c);
        affected += executeOn(session_->preparedForManyRows(multiRowText(int(take))), parameters);
        done += take;
    }
    return affected;
}

}  // namespace qv
