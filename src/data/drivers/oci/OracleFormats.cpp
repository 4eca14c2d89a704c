#include "OracleFormats.h"

#include "data/Errors.h"

namespace qv::oci {

namespace {

[[noreturn]] void notANumber(QByteArrayView bytes)
{
    throw Error(QStringLiteral("The bytes %1 are not an Oracle NUMBER")
                    .arg(QString::fromLatin1(bytes.toByteArray().toHex(' '))));
}

}  // namespace

Decimal decodeOracleNumber(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        notANumber(bytes);
    const auto byte = [&](qsizetype i) { return int(quint8(bytes[i])); };
    const int head = byte(0);
    if (head == 0x80 && bytes.size() == 1)
        return Decimal{};
    const bool negative = (head & 0x80) == 0;
    // Only the lone byte 0x00 is special; 0x00 followed by digits is a
    // negative number at or below -1E124 (python-oracledb,
    // impl/base/decoders.pyx: a mantissa of length 0 is the special value).
    if ((head == 0 && bytes.size() == 1) || (head == 0xff && bytes.size() == 2 && byte(1) == 101))
        throw Error(QStringLiteral("The Oracle NUMBER is infinite; it has no exact value"));

    qsizetype end = bytes.size();
    if (negative && end > 1 && byte(end - 1) == 102)
        --end;  // the terminator of a short negative number
    if (end < 2)
        notANumber(bytes);

    // The mantissa 0.d1 d2 ... (base 100) times 100 to the power exponent + 1.
    const int exponent = negative ? 62 - head : head - 193;
    QByteArray digits;
    digits.reserve(2 * (end - 1));
    for (qsizetype i = 1; i < end; ++i) {
        const int digit = negative ? 101 - byte(i) : byte(i) - 1;
        if (digit < 0 || digit > 99)
            notANumber(bytes);
        digits.append(char('0' + digit / 10)).append(char('0' + digit % 10));
    }
    int scale = int(digits.size()) - 2 * (exponent + 1);
    if (scale < 0) {
        digits.append(QByteArray(-scale, '0'));
        scale = 0;
    }
    while (scale > 0 && digits.endsWith('0')) {
        digits.chop(1);
        --scale;
    }
    qsizetype first = 0;
    while (first < digits.size() - 1 && digits[first] == '0')
        ++first;

    Decimal value;
    value.digits = digits.mid(first);
    value.scale = scale;
    value.negative = negative && !value.isZero();
    return value;
}

DateTime decodeOracleDate(QByteArrayView bytes)
{
    const auto byte = [&](qsizetype i) { return int(quint8(bytes[i])); };
    if (bytes.size() != 7)
        throw Error(QStringLiteral("An Oracle DATE has 7 bytes, not %1").arg(bytes.size()));
    DateTime value;
    value.year = (byte(0) - 100) * 100 + (byte(1) - 100);
    value.month = byte(2);
    value.day = byte(3);
    value.hour = byte(4) - 1;
    value.minute = byte(5) - 1;
    value.second = byte(6) - 1;
    if (value.month < 1 || value.month > 12 || value.day < 1 || value.day > 31 || value.hour < 0 || value.hour > 23
        || value.minute < 0 || value.minute > 59 || value.second < 0 || value.second > 59)
        throw Error(QStringLiteral("The bytes %1 are not an Oracle DATE")
                        .arg(QString::fromLatin1(bytes.toByteArray().toHex(' '))));
    return value;
}

}  // namespace qv::oci
