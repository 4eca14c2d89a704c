#include "DbValue.h"

#include "Errors.h"
#include "Utf8.h"

#include <QLocale>
#include <QRegularExpression>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

namespace qv {

namespace {

QByteArray stripLeadingZeros(QByteArray digits)
{
    qsizetype first = 0;
    while (first < digits.size() - 1 && digits.at(first) == '0')
        ++first;
    digits.remove(0, first);
    return digits.isEmpty() ? QByteArray("0") : digits;
}

[[noreturn]] void badNumber(const QString& text)
{
    throw Error(QStringLiteral("'%1' is not a valid number").arg(text));
}

}  // namespace

namespace {

// The plain form "[-+]digits[.digits]" without a regular expression; the
// rest (blanks, exponents, anything odd) takes the general way.
std::optional<Decimal> parsePlainDecimal(QStringView text)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    QByteArray digits;
    digits.reserve(text.size());
    int scale = -1;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= u'0' && c <= u'9') {
            digits.append(char(c));
            if (scale >= 0)
                ++scale;
        } else if (c == u'.' && scale < 0) {
            scale = 0;
        } else {
            return std::nullopt;
        }
    }
    if (digits.isEmpty())
        return std::nullopt;
    Decimal result;
    result.digits = stripLeadingZeros(std::move(digits));
    result.scale = std::max(scale, 0);
    result.negative = negative && !result.isZero();
    return result;
}

}  // namespace

Decimal Decimal::parse(const QString& input)
{
    if (std::optional<Decimal> plain = parsePlainDecimal(input))
        return *std::move(plain);
    const QString text = input.trimmed();
    static const QRegularExpression pattern(
        QStringLiteral("^([+-]?)(\\d*)(?:\\.(\\d*))?(?:[eE]([+-]?\\d+))?$"));
    const auto match = pattern.match(text);
    if (!match.hasMatch() || (match.capturedLength(2) == 0 && match.capturedLength(3) == 0))
        badNumber(input);

    QByteArray digits = match.captured(2).toLatin1() + match.captured(3).toLatin1();
    qint64 scale = match.capturedLength(3);
    if (match.capturedLength(4) > 0) {
        bool ok = false;
        const qint64 exponent = match.captured(4).toLongLong(&ok);
        if (!ok || exponent > 10000 || exponent < -10000)
            badNumber(input);
        scale -= exponent;
    }
    if (scale < 0) {  // a positive exponent beyond the fraction: append zeros
        digits.append(QByteArray(int(-scale), '0'));
        scale = 0;
    }
    Decimal result;
    result.digits = stripLeadingZeros(digits);
    result.scale = int(scale);
    result.negative = match.captured(1) == QLatin1String("-") && !result.isZero();
    return result;
}

Decimal Decimal::fromInteger(qint64 value)
{
    Decimal result;
    result.negative = value < 0;
    // Through the unsigned magnitude, so INT64_MIN has no overflow.
    const quint64 magnitude = value < 0 ? quint64(0) - quint64(value) : quint64(value);
    result.digits = QByteArray::number(magnitude);
    return result;
}

QString Decimal::toString() const
{
    QByteArray text;
    appendText(text);
    return QString::fromLatin1(text);
}

void Decimal::appendText(QByteArray& out) const
{
    if (negative)
        out.append('-');
    if (scale <= 0) {
        out.append(digits);
        return;
    }
    const qsizetype whole = digits.size() - scale;
    if (whole <= 0) {
        out.append("0.");
        out.append(QByteArray(-whole, '0'));
        out.append(digits);
        return;
    }
    out.append(digits.constData(), whole);
    out.append('.');
    out.append(digits.constData() + whole, scale);
}

bool Decimal::hasFraction() const
{
    if (scale <= 0)
        return false;
    const QByteArray fraction = digits.right(scale);
    return fraction.count('0') != fraction.size();
}

namespace {

// "YYYY-MM-DD", optionally with " HH:MM:SS" and a fraction of up to nine
// digits, read without a regular expression; other forms take the general way.
std::optional<DateTime> parsePlainDateTime(QStringView text)
{
    const auto number = [&text](qsizetype at, int digits, int& value) {
        value = 0;
        for (qsizetype i = at; i < at + digits; ++i) {
            const char16_t c = text[i].unicode();
            if (c < u'0' || c > u'9')
                return false;
            value = value * 10 + (c - u'0');
        }
        return true;
    };
    DateTime value;
    if (text.size() < 10 || text[4] != u'-' || text[7] != u'-' || !number(0, 4, value.year)
        || !number(5, 2, value.month) || !number(8, 2, value.day))
        return std::nullopt;
    if (text.size() > 10) {
        if (text.size() < 19 || text[10] != u' ' || text[13] != u':' || text[16] != u':'
            || !number(11, 2, value.hour) || !number(14, 2, value.minute) || !number(17, 2, value.second))
            return std::nullopt;
        if (text.size() > 19) {
            const qsizetype digits = text.size() - 20;
            int fraction = 0;
            if (text[19] != u'.' || digits < 1 || digits > 9 || !number(20, int(digits), fraction))
                return std::nullopt;
            for (qsizetype d = digits; d < 9; ++d)
                fraction *= 10;
            value.nanosecond = fraction;
        }
    }
    return value;
}

}  // namespace

DateTime DateTime::parse(const QString& input)
{
    if (const std::optional<DateTime> plain = parsePlainDateTime(input);
        plain && plain->month <= 12 && plain->day <= 31 && plain->hour <= 23 && plain->minute <= 59
        && plain->second <= 59)
        return *plain;
    static const QRegularExpression pattern(QStringLiteral(
        "^\\s*(-?\\d{1,4})-(\\d{1,2})-(\\d{1,2})"
        "(?:[ T](\\d{1,2}):(\\d{2})(?::(\\d{2})(?:[.,](\\d+))?)?)?"
        "(?:\\s*(?:Z|[+-]\\d{2}(?::?\\d{2})?|[A-Za-z][A-Za-z0-9_/+-]*(?:\\s+[A-Za-z]+)?))?\\s*$"));
    const auto match = pattern.match(input);
    if (!match.hasMatch())
        throw Error(QStringLiteral("'%1' is not a valid date and time").arg(input));
    DateTime value;
    value.year = match.captured(1).toInt();
    value.month = match.captured(2).toInt();
    value.day = match.captured(3).toInt();
    value.hour = match.captured(4).toInt();
    value.minute = match.captured(5).toInt();
    value.second = match.captured(6).toInt();
    QString fraction = match.captured(7).left(9);
    if (!fraction.isEmpty())
        value.nanosecond = fraction.leftJustified(9, QLatin1Char('0')).toInt();
    // A zero month or day is allowed: MySQL keeps such dates ("2024-00-15").
    if (value.month > 12 || value.day > 31 || value.hour > 23 || value.minute > 59 || value.second > 59)
        throw Error(QStringLiteral("'%1' is not a valid date and time").arg(input));
    return value;
}

QString DateTime::toString() const
{
    QString text = QStringLiteral("%1-%2-%3 %4:%5:%6")
                       .arg(year, 4, 10, QLatin1Char('0'))
                       .arg(month, 2, 10, QLatin1Char('0'))
                       .arg(day, 2, 10, QLatin1Char('0'))
                       .arg(hour, 2, 10, QLatin1Char('0'))
                       .arg(minute, 2, 10, QLatin1Char('0'))
                       .arg(second, 2, 10, QLatin1Char('0'));
    if (nanosecond != 0) {
        QString fraction = QStringLiteral("%1").arg(nanosecond, 9, 10, QLatin1Char('0'));
        while (fraction.endsWith(QLatin1Char('0')))
            fraction.chop(1);
        text += QLatin1Char('.') + fraction;
    }
    return text;
}

double shortestDouble(float value)
{
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, value);
    double result = value;
    std::from_chars(text, written.ptr, result);
    return result;
}

QString kindName(ValueKind kind)
{
    switch (kind) {
    case ValueKind::Null: return QStringLiteral("null");
    case ValueKind::Integer: return QStringLiteral("integer");
    case ValueKind::Decimal: return QStringLiteral("decimal");
    case ValueKind::Float: return QStringLiteral("float");
    case ValueKind::DateTime: return QStringLiteral("date-time");
    case ValueKind::Text: return QStringLiteral("text");
    case ValueKind::Bytes: return QStringLiteral("bytes");
    }
    return {};
}

void DbValue::refuse(ValueKind target) const
{
    QString shown;
    switch (kind()) {
    case ValueKind::Null: shown = QStringLiteral("NULL"); break;
    case ValueKind::Bytes: shown = QStringLiteral("%1 bytes").arg(std::get<QByteArray>(data_).size()); break;
    default: shown = QLatin1Char('\'') + toText() + QLatin1Char('\''); break;
    }
    throw ConversionError(QStringLiteral("Cannot convert %1 value %2 to %3").arg(kindName(kind()), shown, kindName(target)));
}

qint64 DbValue::toInteger() const
{
    if (kind() == ValueKind::Integer)
        return std::get<qint64>(data_);
    if (kind() == ValueKind::Float) {
        const double d = std::get<double>(data_);
        // 2^63 itself is out of range, so compare with < on the upper bound.
        if (std::isfinite(d) && d == std::trunc(d) && d >= -9223372036854775808.0 && d < 9223372036854775808.0)
            return qint64(d);
        refuse(ValueKind::Integer);
    }
    if (kind() == ValueKind::Decimal || kind() == ValueKind::Text) {
        Decimal decimal;
        try {
            decimal = toDecimal();
        } catch (const Error&) {
            refuse(ValueKind::Integer);
        }
        if (decimal.hasFraction())
            refuse(ValueKind::Integer);
        QByteArray whole = decimal.scale > 0 ? decimal.digits.left(decimal.digits.size() - decimal.scale)
                                             : decimal.digits;
        if (whole.isEmpty())
            whole = "0";
        bool ok = false;
        const qint64 value = (decimal.negative ? "-" + whole : whole).toLongLong(&ok);
        if (!ok)
            refuse(ValueKind::Integer);
        return value;
    }
    refuse(ValueKind::Integer);
}

Decimal DbValue::toDecimal() const
{
    switch (kind()) {
    case ValueKind::Integer: return Decimal::fromInteger(std::get<qint64>(data_));
    case ValueKind::Decimal: return std::get<Decimal>(data_);
    case ValueKind::Float: {
        const double d = std::get<double>(data_);
        if (!std::isfinite(d))
            refuse(ValueKind::Decimal);
        return Decimal::parse(QString::number(d, 'g', QLocale::FloatingPointShortest));
    }
    case ValueKind::Text:
        try {
            return Decimal::parse(std::get<QString>(data_));
        } catch (const Error&) {
            refuse(ValueKind::Decimal);
        }
    default: refuse(ValueKind::Decimal);
    }
}

double DbValue::toFloat() const
{
    switch (kind()) {
    case ValueKind::Integer: return double(std::get<qint64>(data_));
    case ValueKind::Float: return std::get<double>(data_);
    case ValueKind::Decimal:
    case ValueKind::Text: {
        bool ok = false;
        const double d = toDecimal().toString().toDouble(&ok);
        if (!ok)
            refuse(ValueKind::Float);
        return d;
    }
    default: refuse(ValueKind::Float);
    }
}

DateTime DbValue::toDateTime() const
{
    if (kind() == ValueKind::DateTime)
        return std::get<DateTime>(data_);
    if (kind() == ValueKind::Text) {
        try {
            return DateTime::parse(std::get<QString>(data_));
        } catch (const Error&) {
            refuse(ValueKind::DateTime);
        }
    }
    refuse(ValueKind::DateTime);
}

QString DbValue::toText() const
{
    switch (kind()) {
    case ValueKind::Null: return {};
    case ValueKind::Integer: return QString::number(std::get<qint64>(data_));
    case ValueKind::Decimal: return std::get<Decimal>(data_).toString();
    case ValueKind::Float: return QString::number(std::get<double>(data_), 'g', QLocale::FloatingPointShortest);
    case ValueKind::DateTime: return std::get<DateTime>(data_).toString();
    case ValueKind::Text: return std::get<QString>(data_);
    case ValueKind::Bytes: {
        // Bytes become text only when they are well-formed UTF-8.
        const QByteArray& bytes = std::get<QByteArray>(data_);
        bool valid = false;
        QString text = decodeUtf8(bytes, &valid);
        if (!valid)
            refuse(ValueKind::Text);
        return text;
    }
    }
    return {};
}

QByteArray DbValue::toBytes() const
{
    if (kind() == ValueKind::Bytes)
        return std::get<QByteArray>(data_);
    if (kind() == ValueKind::Text)
        return std::get<QString>(data_).toUtf8();
    refuse(ValueKind::Bytes);
}

DbValue DbValue::convertedTo(ValueKind target) const
{
    if (isNull() || kind() == target)
        return *this;
    switch (target) {
    case ValueKind::Null: return {};
    case ValueKind::Integer: return fromInteger(toInteger());
    case ValueKind::Decimal: return fromDecimal(toDecimal());
    case ValueKind::Float: return fromFloat(toFloat());
    case ValueKind::DateTime: return fromDateTime(toDateTime());
    case ValueKind::Text: return fromText(toText());
    case ValueKind::Bytes: return fromBytes(toBytes());
    }
    return {};
}

}  // namespace qv
