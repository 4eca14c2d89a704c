#include "BufferedDataSet.h"

#include "DbConnection.h"
#include "Errors.h"

#include <QDateTime>
#include <QTimeZone>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>
#include <system_error>

namespace qv {

BufferedDataSet::BufferedDataSet(DbConnection* connection) : inner_(connection) {}

void BufferedDataSet::setConnection(DbConnection* connection)
{
    close();
    rollsBack_.reset();
    inner_.setConnection(connection);
}

void BufferedDataSet::setCommandText(const QString& sql)
{
    if (sql != commandText_)
        rollsBack_.reset();
    commandText_ = sql;
}

void BufferedDataSet::open()
{
    if (state_ != State::Closed)
        return;
    waitForApply();
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

void BufferedDataSet::requireOpen() const
{
    if (state_ == State::Closed)
        throw Error(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

bool BufferedDataSet::eof() const
{
    requireOpen();
    return cursor_ >= rows_.size();
}

void BufferedDataSet::close()
{
    waitForApply();
    if (state_ == State::Closed)
        return;
    rows_.clear();
    fields_.clear();
    cursor_ = 0;
    pending_ = {};
    changeLog_.clear();
    changeLogBytes_ = 0;
    state_ = State::Closed;
}

namespace {

// What a value holds in memory, about: text as UTF-16, bytes as they are.
qint64 heldBytes(const DbValue& value)
{
    switch (value.kind()) {
    case ValueKind::Text: return 2 * value.toText().size() + 16;
    case ValueKind::Bytes: return value.toBytes().size() + 16;
    case ValueKind::Decimal: return value.toDecimal().digits.size() + 16;
    default: return 16;
    }
}

[[noreturn]] void refuseValue(const ColumnInfo& field, const DbValue& value, const QString& why)
{
    throw ConversionError(QStringLiteral("The value %1 cannot be stored in column %2: %3")
                              .arg(value.toText(), field.name, why));
}

}  // namespace

namespace {

// The number without zeros at the end of its fraction, so that equal
// numbers compare equal.
Decimal trimmed(Decimal number)
{
    while (number.scale > 0 && number.digits.endsWith('0')) {
        number.digits.chop(1);
        --number.scale;
    }
    if (number.digits.isEmpty())
        number.digits = "0";
    if (number.isZero())
        number = Decimal();
    return number;
}

// The shortest text that reads back as this very float or double.
template <typename Floating>
Decimal shortestDecimal(Floating value)
{
    char text[64];
    const auto written = std::to_chars(text, text + sizeof text, value);
    return Decimal::parse(QString::fromLatin1(text, written.ptr - text));
}

// Whether a floating-point column gives `original` back: a number kept
// exactly, or (four bytes) a double that a float holds.
bool floatKeeps(const ColumnInfo& field, const DbValue& original, double stored)
{
    if (field.singlePrecision && !std::isfinite(float(stored)))
        return false;
    if (original.kind() == ValueKind::Float)
        return !field.singlePrecision || double(float(stored)) == stored;
    const Decimal given = field.singlePrecision ? shortestDecimal(float(stored)) : shortestDecimal(stored);
    return trimmed(given) == trimmed(original.toDecimal());
}

}  // namespace

namespace {

// Rounded half away from zero to `scale` digits after the point.
Decimal roundedDecimal(Decimal number, int scale)
{
    if (number.scale <= scale)
        return number;
    const qsizetype dropped = number.scale - scale;
    QByteArray digits = number.digits;
    if (digits.size() <= dropped)
        digits.prepend(QByteArray(dropped - digits.size() + 1, '0'));
    const bool up = digits.at(digits.size() - dropped) >= '5';
    digits.chop(dropped);
    if (up) {
        qsizetype i = digits.size() - 1;
        for (; i >= 0 && digits.at(i) == '9'; --i)
            digits[i] = '0';
        if (i < 0)
            digits.prepend('1');
        else
            digits[i] = char(digits.at(i) + 1);
    }
    Decimal result;
    result.digits = digits;
    result.scale = scale;
    while (result.digits.size() > 1 && result.digits.front() == '0')
        result.digits.remove(0, 1);
    result.negative = number.negative && !result.isZero();
    return result;
}

}  // namespace

DbValue BufferedDataSet::roundedFor(const ColumnInfo& field, const DbValue& value)
{
    const auto refuse = [&]() -> DbValue {
        throw ConversionError(QStringLiteral("The value %1 cannot be rounded for column %2").arg(value.toText(), field.name));
    };
    switch (field.type) {
    case ValueKind::Integer:
        return DbValue::fromInteger(DbValue::fromDecimal(roundedDecimal(value.toDecimal(), 0)).toInteger());
    case ValueKind::Decimal:
        if (field.scale < 0)
            return refuse();
        return DbValue::fromDecimal(roundedDecimal(value.toDecimal(), field.scale));
    case ValueKind::Float: {
        double number = value.toFloat();
        if (field.singlePrecision)
            number = double(float(number));
        return std::isfinite(number) ? DbValue::fromFloat(number) : refuse();
    }
    case ValueKind::DateTime: {
        DateTime time = value.toDateTime();
        if (time.year < 1 || time.year > 9999 || field.dateOnly)
            return refuse();  // no rounding gives these back
        int unit = 1;  // nanoseconds of the column's last fractional digit
        for (int digits = std::clamp(field.scale < 0 ? 6 : field.scale, 0, 9); digits < 9; ++digits)
            unit *= 10;
        const int rest = time.nanosecond % unit;
        time.nanosecond -= rest;
        if (rest * 2 >= unit)
            time.nanosecond += unit;
        if (time.nanosecond >= 1000000000) {
            const QDateTime next =
                QDateTime(QDate(time.year, time.month, time.day), QTime(time.hour, time.minute, time.second), QTimeZone::utc())
                    .addSecs(1);
            if (!next.isValid() || next.date().year() > 9999)
                return refuse();
            time = DateTime{next.date().year(), next.date().month(), next.date().day(),
                            next.time().hour(), next.time().minute(), next.time().second(), 0};
        }
        return DbValue::fromDateTime(time);
    }
    default: return refuse();  // text and bytes are never rounded or cut
    }
}

void BufferedDataSet::refuseChange(const ColumnInfo& field, const DbValue& original, const DbValue& value)
{
    if (value.isNull())
        return;
    if (field.type == ValueKind::Float && !floatKeeps(field, original, value.toFloat()))
        refuseValue(field, original, field.singlePrecision ? QStringLiteral("its float does not hold it exactly")
                                                          : QStringLiteral("its double does not hold it exactly"));
    if (field.type == ValueKind::Decimal && field.scale >= 0) {
        const Decimal decimal = value.toDecimal();
        if (decimal.scale > field.scale) {
            const QByteArray cut = decimal.digits.right(decimal.scale - field.scale);
            if (cut.count('0') != cut.size())
                refuseValue(field, value, QStringLiteral("it keeps %1 digits after the point").arg(field.scale));
        }
    }
    if (field.type == ValueKind::DateTime) {
        const DateTime time = value.toDateTime();
        if (time.year < 1 || time.year > 9999)
            refuseValue(field, value, QStringLiteral("it holds the years 1 to 9999"));
        if (field.dateOnly && (time.hour != 0 || time.minute != 0 || time.second != 0 || time.nanosecond != 0))
            refuseValue(field, value, QStringLiteral("it holds no time of day"));
        int unit = 1;  // nanoseconds of the column's last fractional digit
        for (int digits = std::clamp(field.scale < 0 ? 6 : field.scale, 0, 9); digits < 9; ++digits)
            unit *= 10;
        if (time.nanosecond % unit != 0)
            refuseValue(field, value, QStringLiteral("it keeps %1 digits of the seconds' fraction")
                                          .arg(std::clamp(field.scale < 0 ? 6 : field.scale, 0, 9)));
    }
}

int BufferedDataSet::fieldIndex(const QString& name) const
{
    for (int i = 0; i < fields_.size(); ++i)
        if (fields_.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

DbValue BufferedDataSet::fieldValue(const QString& name) const
{
    if (state_ != State::Inserting && eof())
        throw Error(QStringLiteral("No current record"));
    const int i = fieldIndex(name);
    if (i < 0)
        throw Error(QStringLiteral("Field '%1' not found").arg(name));
    return state_ == State::Inserting ? pending_.values.at(i) : rows_.at(cursor_).value(i);
}

void BufferedDataSet::append()
{
    requireOpen();
    if (state_ != State::Browse)
        throw Error(QStringLiteral("The pending row must be posted first"));
    pending_.values = Row(fields_.size());
    pending_.assigned = QVector<bool>(fields_.size(), false);
    state_ = State::Inserting;
}

void BufferedDataSet::setFieldValue(const QString& name, const DbValue& value)
{
    if (state_ != State::Inserting)
        throw Error(QStringLiteral("Dataset not in edit or insert mode"));
    const int i = fieldIndex(name);
    if (i < 0)
        throw Error(QStringLiteral("Field '%1' not found").arg(name));
    setFieldValue(i, value);
}

void BufferedDataSet::setFieldValue(int i, const DbValue& value)
{
    if (state_ != State::Inserting)
        throw Error(QStringLiteral("Dataset not in edit or insert mode"));
    const ColumnInfo& field = fields_.at(i);
    if (field.readOnly)
        throw Error(QStringLiteral("Field '%1' cannot be modified").arg(field.name));
    // A refused conversion leaves the field as it was.
    DbValue converted;
    try {
        converted = value.convertedTo(field.type);
        refuseChange(field, value, converted);
    } catch (const ConversionError&) {
        if (!rounding_)
            throw;
        converted = roundedFor(field, value);
        ++rounded_[field.name];
    }
    pending_.values[i] = std::move(converted);
    pending_.assigned[i] = true;
}

void BufferedDataSet::setRounding(bool round)
{
    rounding_ = round;
    rounded_.clear();
}

void BufferedDataSet::post()
{
    requireOpen();
    if (state_ != State::Inserting)
        return;
    for (int i = 0; i < fields_.size(); ++i) {
        const ColumnInfo& field = fields_.at(i);
        // The server fills a column with a default or an auto-increment itself.
        const bool required = !field.nullable && !field.hasDefault && !field.autoIncrement && !field.readOnly;
        if (required && (!pending_.assigned.at(i) || pending_.values.at(i).isNull()))
            throw Error(QStringLiteral("Field '%1' must have a value").arg(field.name));
    }
    rows_.append(pending_.values);
    for (const DbValue& value : std::as_const(pending_.values))
        changeLogBytes_ += heldBytes(value);
    changeLog_.append(std::move(pending_));
    pending_ = {};
    cursor_ = int(rows_.size()) - 1;
    state_ = State::Browse;
}

int BufferedDataSet::pendingChanges() const
{
    return int(changeLog_.size());
}

void BufferedDataSet::postPending()
{
    if (state_ != State::Inserting)
        return;
    if (pending_.assigned.contains(true)) {
        post();
    } else {
        pending_ = {};
        state_ = State::Browse;
    }
}

BufferedDataSet::ChangeLogApply BufferedDataSet::takeChangeLog(int maxErrors)
{
    DbConnection* connection = inner_.connection();
    if (!connection)
        throw Error(QStringLiteral("The dataset has no connection"));
    const QString table = RowApplier::tableNameOf(commandText_);
    if (table.isEmpty())
        throw Error(QStringLiteral("No table name follows 'from' in '%1'").arg(commandText_));
    // Only arrays need to know whether a rollback takes the rows back; when
    // the server cannot say, the rows go one by one. A lost connection is
    // the apply's failure.
    bool inArrays = false;
    if (connection->session().takesArrays()) {
        if (!rollsBack_) {
            try {
                rollsBack_ = connection->session().rollsBackRowsOf(table);
            } catch (const ConnectionFailure&) {
                throw;
            } catch (const Error&) {
                rollsBack_ = false;
            }
        }
        inArrays = *rollsBack_;
    }
    ChangeLogApply work{connection, fields_, std::move(changeLog_),
                        RowApplier::quotedTableName(table, connection->quoteChar()), maxErrors, inArrays};
    changeLog_ = {};
    changeLogBytes_ = 0;
    return work;
}

BufferedDataSet::ApplyOutcome BufferedDataSet::run(const ChangeLogApply& work)
{
    ApplyOutcome outcome;
    RowApplier applier(*work.connection, work.fields);
    try {
        outcome.refused = applier.apply(work.quotedTable, work.rows, work.maxErrors, work.inArrays);
    } catch (...) {
        outcome.failure = std::current_exception();
    }
    outcome.kept = applier.kept();
    return outcome;
}

int BufferedDataSet::report(const ApplyOutcome& outcome)
{
    lastApplyKept_ = outcome.kept;
    if (outcome.failure)
        std::rethrow_exception(outcome.failure);
    for (const RefusedRow& row : outcome.refused)
        if (onReconcileError)
            onReconcileError(row.message);
    return int(outcome.refused.size());
}

void BufferedDataSet::waitForApply()
{
    if (inFlight_.valid())
        inFlight_.get();  // an outcome nobody asks for any more
}

int BufferedDataSet::applyUpdates(int maxErrors)
{
    requireOpen();
    waitForApply();
    postPending();
    lastApplyKept_ = 0;
    if (changeLog_.isEmpty())
        return 0;
    return report(run(takeChangeLog(maxErrors)));
}

void BufferedDataSet::startApply(int maxErrors)
{
    requireOpen();
    waitForApply();
    postPending();
    lastApplyKept_ = 0;
    if (changeLog_.isEmpty()) {
        std::promise<ApplyOutcome> nothing;
        nothing.set_value({});
        inFlight_ = nothing.get_future();
        return;
    }
    auto work = std::make_shared<ChangeLogApply>(takeChangeLog(maxErrors));
    rows_.clear();
    cursor_ = 0;
    try {
        inFlight_ = std::async(std::launch::async, [work] { return run(*work); });
    } catch (const std::system_error&) {
        // No thread to be had: the apply runs here and now.
        std::promise<ApplyOutcome> done;
        done.set_value(run(*work));
        inFlight_ = done.get_future();
    }
}

int BufferedDataSet::finishApply()
{
    if (!inFlight_.valid())
        return 0;
    return report(inFlight_.get());
}

}  // namespace qv
