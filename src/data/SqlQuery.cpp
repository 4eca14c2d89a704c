#include "SqlQuery.h"

#include "DbConnection.h"
#include "Errors.h"
#include "TrimmedText.h"

namespace qv {

SqlQuery::SqlQuery(DbConnection* connection)
{
    setConnection(connection);
}

SqlQuery::~SqlQuery()
{
    close();
    if (connection_)
        connection_->detach(this);
}

void SqlQuery::setConnection(DbConnection* connection)
{
    if (connection == connection_)
        return;
    close();
    if (connection_)
        connection_->detach(this);
    connection_ = connection;
    if (connection_)
        connection_->attach(this);
}

void SqlQuery::setSql(const QString& sql)
{
    sql_ = trimmedText(sql);
}

void SqlQuery::openQuery(const QString& sql)
{
    close();
    setSql(sql);
    if (!connection_)
        throw Error(QStringLiteral("The query has no connection"));
    auto cursor = connection_->session().query(sql_);
    row_.clear();
    eof_ = !cursor->fetch(row_);
    cursor_ = std::move(cursor);
}

void SqlQuery::first()
{
    requireOpen();
}

bool SqlQuery::eof() const
{
    requireOpen();
    return eof_;
}

void SqlQuery::next()
{
    requireOpen();
    if (eof_)
        return;
    eof_ = !cursor_->fetch(row_);
}

int SqlQuery::fieldCount() const
{
    requireOpen();
    return int(cursor_->columns().size());
}

const ColumnInfo& SqlQuery::column(int index) const
{
    requireOpen();
    if (index < 0 || index >= cursor_->columns().size())
        throw Error(QStringLiteral("Field index %1 out of range").arg(index));
    return cursor_->columns().at(index);
}

QString SqlQuery::fieldName(int index) const
{
    return column(index).name;
}

DbValue SqlQuery::fieldValue(int index) const
{
    column(index);
    if (eof_)
        throw Error(QStringLiteral("No current record"));
    return row_.value(index);
}

int SqlQuery::indexOf(const QString& name) const
{
    requireOpen();
    const auto& columns = cursor_->columns();
    for (int i = 0; i < columns.size(); ++i)
        if (columns.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    throw Error(QStringLiteral("Field '%1' not found").arg(name));
}

DbValue SqlQuery::fieldValue(const QString& name) const
{
    return fieldValue(indexOf(name));
}

QString SqlQuery::fieldText(int index) const
{
    return fieldValue(index).toText();
}

void SqlQuery::close()
{
    cursor_.reset();
    row_.clear();
    eof_ = true;
}

void SqlQuery::executeDirect(const QString& sql)
{
    close();
    setSql(sql);
    if (!connection_)
        throw Error(QStringLiteral("The query has no connection"));
    connection_->session().execute(sql_);
}

void SqlQuery::requireOpen() const
{
    if (!cursor_)
        throw Error(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

}  // namespace qv
