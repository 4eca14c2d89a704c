#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <variant>

namespace qv {

// An exact decimal number: the digits and the scale exactly as the server
// delivered them, so that a 38-digit NUMBER never passes through a double.
struct Decimal {
    bool negative = false;
    QByteArray digits = "0";  // unscaled magnitude, ASCII digits, no leading zeros
    int scale = 0;            // digits after the decimal point

    // Accepts "[+-]digits[.digits][E[+-]digits]"; raises on anything else.
    static Decimal parse(const QString& text);
    static Decimal fromInteger(qint64 value);
    QString toString() const;  // plain notation, no exponent, scale kept
    void appendText(QByteArray& out) const;  // the same, in Latin-1, appended
    bool isZero() const { return digits == "0"; }
    bool hasFraction() const;  // a non-zero digit after the point
    bool operator==(const Decimal&) const = default;
};

// Calendar date and time of day with fractional seconds down to nanoseconds.
// The fields are kept as given, so MySQL's zero dates round-trip.
struct DateTime {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0;
    int nanosecond = 0;

    // "YYYY-MM-DD[( |T)HH:MM[:SS[.fraction]]]" with an optional time-zone
    // suffix (Z, +HH:MM, -HHMM, or a blank and a region name), which is dropped.
    static DateTime parse(const QString& text);
    QString toString() const;  // "YYYY-MM-DD HH:MM:SS[.fraction]", fraction without trailing zeros
    bool operator==(const DateTime&) const = default;
};

enum class ValueKind { Null, Integer, Decimal, Float, DateTime, Text, Bytes };

// A single-precision value as a double whose shortest text is the float's
// own ("1.1", not its widened 1.100000023841858): the double nearest that text.
double shortestDouble(float value);

QString kindName(ValueKind kind);

// One value of a column or a field. A conversion that the content does not
// allow raises qv::Error.
class DbValue {
public:
    DbValue() = default;  // null
    static DbValue null() { return {}; }
    static DbValue fromInteger(qint64 v) { return DbValue(v); }
    static DbValue fromDecimal(Decimal v) { return DbValue(std::move(v)); }
    static DbValue fromFloat(double v) { return DbValue(v); }
    static DbValue fromDateTime(DateTime v) { return DbValue(v); }
    static DbValue fromText(QString v) { return DbValue(std::move(v)); }
    static DbValue fromBytes(QByteArray v) { return DbValue(std::move(v)); }

    ValueKind kind() const { return static_cast<ValueKind>(data_.index()); }
    bool isNull() const { return kind() == ValueKind::Null; }

    qint64 toInteger() const;   // only when the value is a whole number in range
    Decimal toDecimal() const;
    double toFloat() const;
    DateTime toDateTime() const;
    QString toText() const;     // null gives the empty text
    // The value held, when it is of that kind; nullptr otherwise. No copy.
    const QString* textIf() const { return std::get_if<QString>(&data_); }
    const Decimal* decimalIf() const { return std::get_if<Decimal>(&data_); }
    QByteArray toBytes() const; // text gives its UTF-8 bytes
    DbValue convertedTo(ValueKind kind) const;  // null stays null

    bool operator==(const DbValue&) const = default;

private:
    using Data = std::variant<std::monostate, qint64, Decimal, double, DateTime, QString, QByteArray>;
    template <typename T>
    explicit DbValue(T v) : data_(std::move(v)) {}
    [[noreturn]] void refuse(ValueKind target) const;

    Data data_;
};

}  // namespace qv
