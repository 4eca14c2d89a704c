#include "BufferedDataSet.h"

#include "Errors.h"

namespace qv {

BufferedDataSet::BufferedDataSet(DbConnection* connection) : inner_(connection) {}

void BufferedDataSet::setConnection(DbConnection* connection)
{
    close();
    inner_.setConnection(connection);
}

void BufferedDataSet::setCommandText(const QString& sql)
{
    commandText_ = sql;
}

void BufferedDataSet::open()
{
    if (state_ != State::Closed)
        return;
    inner_.openQuery(commandText_);
    QVector<ColumnInfo> fields;
    QVector<Row> rows;
    try {
        for (int i = 0; i < inner_.fieldCount(); ++i)
            fields.append(inner_.column(i));
        for (; !inner_.eof(); inner_.next()) {
            Row row;
            row.reserve(fields.size());
            for (int i = 0; i < fields.size(); ++i)
                row.append(inner_.fieldValue(i));
            rows.append(std::move(row));
        }
    } catch (...) {
        inner_.close();
        throw;
    }
    inner_.close();
    fields_ = std::move(fields);
    rows_ = std::move(rows);
    cursor_ = 0;
    state_ = State::Browse;
}

bool BufferedDataSet::eof() const
{
    if (state_ == State::Closed)
        throw Error(QStringLiteral("Cannot perform this operation on a closed dataset"));
    return cursor_ >= rows_.size();
}

void BufferedDataSet::close()
{
    if (state_ == State::Closed)
        return;
    rows_.clear();
    fields_.clear();
    cursor_ = 0;
    state_ = State::Closed;
}

DbValue BufferedDataSet::fieldValue(const QString& name) const
{
    if (eof())
        throw Error(QStringLiteral("No current record"));
    for (int i = 0; i < fields_.size(); ++i)
        if (fields_.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return rows_.at(cursor_).value(i);
    throw Error(QStringLiteral("Field '%1' not found").arg(name));
}

}  // namespace qv
