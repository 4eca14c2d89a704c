#include "OracleFormats.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <limits>

namespace qv::standin {

OraError oraError(int code, std::string_view message)
{
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "ORA-%05d: ", code);
    return OraError{code, prefix + std::string(message)};
}

void fail(int code, std::string_view message)
{
    throw oraError(code, message);
}

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Adds one unit in the last place of a string of decimal digits; false when
// the carry runs out of the front ("99" becomes "00").
bool incrementDigits(std::string& digits)
{
    for (auto i = digits.size(); i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return true;
        }
        digits[i] = '0';
    }
    return false;
}

}  // namespace

// ---------------------------------------------------------------------------
// NUMBER

std::optional<Number> Number::parse(std::string_view text)
{
    text = trimmed(text);
    Number n;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        n.negative_ = text[i++] == '-';
    std::string digits;
    std::size_t integerDigits = 0;
    while (i < text.size() && isDigit(text[i]))
        digits += text[i++], ++integerDigits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i]))
            digits += text[i++];
    }
    if (digits.empty())
        return std::nullopt;
    long long exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            negativeExponent = text[i++] == '-';
        if (i == text.size() || !isDigit(text[i]))
            return std::nullopt;
        while (i < text.size() && isDigit(text[i])) {
            // Beyond this any value overflows or underflows; keep counting digits only.
            if (exponent < 100000)
                exponent = exponent * 10 + (text[i] - '0');
            ++i;
        }
        if (negativeExponent)
            exponent = -exponent;
    }
    if (i != text.size())
        return std::nullopt;

    long long point = static_cast<long long>(integerDigits) + exponent;
    const auto first = digits.find_first_not_of('0');
    if (first == std::string::npos) {
        n.negative_ = false;
        return n;
    }
    point -= static_cast<long long>(first);
    digits.erase(0, first);
    digits.erase(digits.find_last_not_of('0') + 1);
    n.digits_ = std::move(digits);
    n.point_ = static_cast<int>(point);
    return n;
}

Number Number::fromInteger(std::int64_t value)
{
    return *parse(std::to_string(value));
}

Number Number::fromDouble(double value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    const auto parsed = parse(std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer)));
    if (!parsed)
        fail(1426, "numeric overflow");  // infinity; SQLite keeps no NaN
    return *parsed;
}

void Number::limitToOracle()
{
    if (isZero())
        return;
    // Base-100 digits: the point must fall between pairs of decimal digits.
    std::string aligned = digits_;
    int point = point_;
    if (point % 2 != 0)
        aligned.insert(0, 1, '0'), ++point;
    if (aligned.size() > 40) {
        const bool up = aligned[40] >= '5';
        aligned.resize(40);
        if (up && !incrementDigits(aligned))
            aligned.insert(0, 1, '1'), ++point;
        const auto first = aligned.find_first_not_of('0');
        point -= static_cast<int>(first);
        aligned.erase(0, first);
        aligned.erase(aligned.find_last_not_of('0') + 1);
        digits_ = aligned;
        point_ = point;
        if (point_ % 2 != 0)
            ++point;
    }
    const int exponent = point / 2;
    if (exponent > 63)
        fail(1426, "numeric overflow");
    if (exponent < -64) {
        digits_.clear();
        point_ = 0;
        negative_ = false;
    }
}

std::string Number::toText() const
{
    if (isZero())
        return "0";
    std::string text;
    const int length = static_cast<int>(digits_.size());
    if (point_ <= 0)
        text = std::string(".").append(static_cast<std::size_t>(-point_), '0').append(digits_);
    else if (point_ >= length)
        text = digits_ + std::string(static_cast<std::size_t>(point_ - length), '0');
    else
        text = digits_.substr(0, static_cast<std::size_t>(point_)) + "." + digits_.substr(static_cast<std::size_t>(point_));
    if (negative_)
        text.insert(0, 1, '-');
    // TM gives scientific notation when the decimal form passes 64 characters.
    if (text.size() > 64) {
        text = digits_.substr(0, 1);
        text += '.';
        text += digits_.size() > 1 ? digits_.substr(1) : std::string("0");
        char exponent[16];
        std::snprintf(exponent, sizeof exponent, "E%+03d", point_ - 1);
        text += exponent;
        if (negative_)
            text.insert(0, 1, '-');
    }
    return text;
}

std::vector<std::uint8_t> Number::toOracleBytes() const
{
    if (isZero())
        return {0x80};
    std::string aligned = digits_;
    int point = point_;
    if (point % 2 != 0)
        aligned.insert(0, 1, '0'), ++point;
    if (aligned.size() % 2 != 0)
        aligned += '0';
    const int exponent = point / 2;
    std::vector<std::uint8_t> bytes;
    // The exponent byte: sign bit set for positive numbers, excess-64 base-100
    // exponent in the low bits, all bits inverted for negative numbers.
    const int positiveByte = 0x80 + 64 + exponent;
    bytes.push_back(static_cast<std::uint8_t>(negative_ ? (~positiveByte & 0xff) : positiveByte));
    for (std::size_t i = 0; i < aligned.size(); i += 2) {
        const int digit = (aligned[i] - '0') * 10 + (aligned[i + 1] - '0');
        bytes.push_back(static_cast<std::uint8_t>(negative_ ? 101 - digit : digit + 1));
    }
    // Negative numbers with fewer than 20 mantissa bytes end with 102.
    if (negative_ && bytes.size() < 21)
        bytes.push_back(102);
    return bytes;
}

namespace {

// Parsed from the exact digits, so each width rounds once, on its own.
template <typename Real>
Real parsedAs(bool negative, const std::string& digits, int point)
{
    const std::string text = (negative ? "-0." : "0.") + digits + "e" + std::to_string(point);
    Real value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

}  // namespace

double Number::toDouble() const
{
    return isZero() ? 0.0 : parsedAs<double>(negative_, digits_, point_);
}

float Number::toFloat() const
{
    return isZero() ? 0.0f : parsedAs<float>(negative_, digits_, point_);
}

std::optional<std::int64_t> Number::toInteger() const
{
    if (point_ <= 0 || isZero())
        return 0;
    if (point_ > 19)
        return std::nullopt;
    std::string whole = digits_.substr(0, static_cast<std::size_t>(point_));
    whole.append(static_cast<std::size_t>(point_) - whole.size(), '0');
    std::uint64_t magnitude = 0;
    for (const char c : whole)
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(c - '0');  // 19 digits cannot wrap
    const std::uint64_t limit = negative_ ? std::uint64_t(1) << 63 : (std::uint64_t(1) << 63) - 1;
    if (magnitude > limit)
        return std::nullopt;
    return negative_ ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
}

// ---------------------------------------------------------------------------
// DATE and TIMESTAMP

namespace {

bool isLeapYear(int year)
{
    // Oracle counts by the Julian calendar before 1582; year -1 is 1 BC.
    if (year < 0)
        return (year + 1) % 4 == 0;
    if (year <= 1582)
        return year % 4 == 0;
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

unsigned daysInMonth(int year, unsigned month)
{
    static const unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

// Reads 1 to `most` digits.
bool readNumber(std::string_view text, std::size_t& i, int most, long long& value)
{
    const std::size_t start = i;
    value = 0;
    while (i < text.size() && isDigit(text[i]) && static_cast<int>(i - start) < most)
        value = value * 10 + (text[i++] - '0');
    return i > start;
}

bool isZoneNameChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || isDigit(c) || c == '_' || c == '/' || c == '+' ||
           c == '-';
}

}  // namespace

DateTime DateTime::parse(std::string_view input)
{
    const std::string_view text = trimmed(input);
    const auto mismatch = [] { fail(1861, "literal does not match format string"); };
    DateTime t;
    std::size_t i = 0;
    const bool bc = i < text.size() && text[i] == '-';
    if (bc)
        ++i;
    long long year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!readNumber(text, i, 4, year) || i >= text.size() || text[i++] != '-' || !readNumber(text, i, 2, month) ||
        i >= text.size() || text[i++] != '-' || !readNumber(text, i, 2, day))
        mismatch();
    if (i < text.size() && (text[i] == ' ' || text[i] == 'T') && i + 1 < text.size() && isDigit(text[i + 1])) {
        ++i;
        if (!readNumber(text, i, 2, hour) || i >= text.size() || text[i++] != ':' || !readNumber(text, i, 2, minute))
            mismatch();
        if (i < text.size() && text[i] == ':') {
            ++i;
            if (!readNumber(text, i, 2, second))
                mismatch();
            if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
                ++i;
                std::string fraction;
                while (i < text.size() && isDigit(text[i]))
                    fraction += text[i++];
                if (fraction.empty())
                    mismatch();
                const bool up = fraction.size() > 9 && fraction[9] >= '5';
                fraction.resize(9, '0');
                t.nanosecond = static_cast<std::uint32_t>(std::stoul(fraction));
                if (up)
                    ++t.nanosecond;  // 999999999 + 1 is carried by roundFraction
            }
        }
    }
    while (i < text.size() && text[i] == ' ')
        ++i;
    if (i < text.size()) {
        t.hasZone = true;
        if (text[i] == 'Z' && i + 1 == text.size()) {
            ++i;
        } else if (text[i] == '+' || text[i] == '-') {
            const int sign = text[i++] == '-' ? -1 : 1;
            long long zoneHours = 0, zoneMinutes = 0;
            if (!readNumber(text, i, 2, zoneHours))
                mismatch();
            if (i < text.size() && text[i] == ':')
                ++i;
            if (i < text.size() && !readNumber(text, i, 2, zoneMinutes))
                mismatch();
            if (zoneHours > 15)
                fail(1874, "time zone hour must be between -15 and 15");
            if (zoneMinutes > 59)
                fail(1875, "time zone minute must be between -59 and 59");
            t.zoneMinutes = sign * static_cast<int>(zoneHours * 60 + zoneMinutes);
        } else {
            const std::size_t start = i;
            while (i < text.size() && (isZoneNameChar(text[i]) || text[i] == ' '))
                ++i;
            t.zoneName = std::string(trimmed(text.substr(start, i - start)));
            if (t.zoneName.empty() || !isZoneNameChar(text[start]) || isDigit(text[start]))
                mismatch();
        }
        if (i != text.size())
            mismatch();
    }

    if (year == 0)
        fail(1841, "(full) year must be between -4713 and +9999, and not be 0");
    t.year = bc ? -static_cast<int>(year) : static_cast<int>(year);
    if (t.year < -4712)
        fail(1841, "(full) year must be between -4713 and +9999, and not be 0");
    if (month < 1 || month > 12)
        fail(1843, "not a valid month");
    t.month = static_cast<unsigned>(month);
    if (day < 1 || day > 31)
        fail(1847, "day of month must be between 1 and last day of month");
    if (static_cast<unsigned>(day) > daysInMonth(t.year, t.month))
        fail(1839, "date not valid for month specified");
    t.day = static_cast<unsigned>(day);
    if (hour > 23)
        fail(1850, "hour must be between 0 and 23");
    if (minute > 59)
        fail(1851, "minutes must be between 0 and 59");
    if (second > 59)
        fail(1852, "seconds must be between 0 and 59");
    t.hour = static_cast<unsigned>(hour);
    t.minute = static_cast<unsigned>(minute);
    t.second = static_cast<unsigned>(second);
    return t;
}

void DateTime::roundFraction(int digits)
{
    std::uint32_t unit = 1;
    for (int i = digits; i < 9; ++i)
        unit *= 10;
    std::uint64_t rounded = (std::uint64_t(nanosecond) + unit / 2) / unit * unit;
    if (digits >= 9)
        rounded = nanosecond;
    if (rounded < 1000000000u) {
        nanosecond = static_cast<std::uint32_t>(rounded);
        return;
    }
    nanosecond = 0;
    if (++second < 60)
        return;
    second = 0;
    if (++minute < 60)
        return;
    minute = 0;
    if (++hour < 24)
        return;
    hour = 0;
    if (++day <= daysInMonth(year, month))
        return;
    day = 1;
    if (++month <= 12)
        return;
    month = 1;
    year = year == -1 ? 1 : year + 1;
}

std::vector<std::uint8_t> DateTime::toOracleDate() const
{
    const int magnitude = year < 0 ? -year : year;
    const int sign = year < 0 ? -1 : 1;
    return {static_cast<std::uint8_t>(100 + sign * (magnitude / 100)),
            static_cast<std::uint8_t>(100 + sign * (magnitude % 100)),
            static_cast<std::uint8_t>(month),
            static_cast<std::uint8_t>(day),
            static_cast<std::uint8_t>(hour + 1),
            static_cast<std::uint8_t>(minute + 1),
            static_cast<std::uint8_t>(second + 1)};
}

std::string DateTime::dateText() const
{
    static const char* const months[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                         "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    char text[32];
    std::snprintf(text, sizeof text, "%02u-%s-%02d", day, months[month - 1], (year < 0 ? -year : year) % 100);
    return text;
}

std::string DateTime::timestampText(int fractionDigits, bool withZone) const
{
    char text[64];
    const unsigned hour12 = hour % 12 == 0 ? 12 : hour % 12;
    std::snprintf(text, sizeof text, " %02u.%02u.%02u", hour12, minute, second);
    std::string result = dateText() + text;
    if (fractionDigits > 0) {
        char fraction[16];
        std::snprintf(fraction, sizeof fraction, "%09u", static_cast<unsigned>(nanosecond));
        result += '.';
        result.append(fraction, static_cast<std::size_t>(fractionDigits));
    }
    result += hour < 12 ? " AM" : " PM";
    if (withZone) {
        if (!zoneName.empty()) {
            result += " " + zoneName;
        } else {
            const int magnitude = zoneMinutes < 0 ? -zoneMinutes : zoneMinutes;
            std::snprintf(text, sizeof text, " %c%02d:%02d", zoneMinutes < 0 ? '-' : '+', magnitude / 60,
                          magnitude % 60);
            result += text;
        }
    }
    return result;
}

std::string binaryFloatText(double value, bool single)
{
    if (value != value)
        return "Nan";
    if (value == std::numeric_limits<double>::infinity())
        return "Inf";
    if (value == -std::numeric_limits<double>::infinity())
        return "-Inf";
    if (value == 0)
        return "0";
    char buffer[64];
    const auto result = single ? std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(value),
                                               std::chars_format::scientific)
                               : std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    const std::string text(buffer, result.ptr);  // "2.5e+00", "1e+00", "-1.25e-07"
    const auto e = text.find('e');
    std::string mantissa = text.substr(0, e);
    if (mantissa.find('.') == std::string::npos)
        mantissa += ".0";
    const int exponent = std::stoi(text.substr(e + 1));
    char tail[16];
    std::snprintf(tail, sizeof tail, "E%c%03d", exponent < 0 ? '-' : '+', exponent < 0 ? -exponent : exponent);
    return mantissa + tail;
}

// ---------------------------------------------------------------------------
// UTF-8

namespace {

// The length of the well-formed sequence at `i`, or 0.
std::size_t sequenceLength(std::string_view text, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length;
    std::uint32_t code;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xc2 && lead <= 0xdf)
        length = 2, code = lead & 0x1f;
    else if (lead >= 0xe0 && lead <= 0xef)
        length = 3, code = lead & 0x0f;
    else if (lead >= 0xf0 && lead <= 0xf4)
        length = 4, code = lead & 0x07;
    else
        return 0;
    if (i + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xc0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i + k) & 0x3f);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    if (overlong || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff))
        return 0;
    return length;
}

}  // namespace

bool isValidUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = sequenceLength(text, i);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

std::size_t utf8Length(std::string_view text)
{
    std::size_t chars = 0;
    for (const char c : text)
        if ((static_cast<unsigned char>(c) & 0xc0) != 0x80)
            ++chars;
    return chars;
}

std::size_t utf8Prefix(std::string_view text, std::size_t bytes)
{
    if (bytes >= text.size())
        return text.size();
    while (bytes > 0 && (static_cast<unsigned char>(text[bytes]) & 0xc0) == 0x80)
        --bytes;
    return bytes;
}

std::size_t ucs2Length(std::string_view text)
{
    std::size_t units = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xc0) != 0x80)
            units += byte >= 0xf0 ? 2 : 1;
    }
    return units;
}

std::size_t ucs2Bytes(std::string_view text, std::size_t units)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t need = lead >= 0xf0 ? 2 : 1;
        if (need > units)
            break;
        units -= need;
        ++i;
        while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xc0) == 0x80)
            ++i;
    }
    return i;
}

std::string toClient(std::string_view utf8, bool unicode)
{
    if (unicode)
        return std::string(utf8);
    std::string text;
    text.reserve(utf8.size());
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80)
            text += c;
        else if ((byte & 0xc0) != 0x80)
            text += '?';
    }
    return text;
}

namespace {

// The characters beyond Latin-1's that Windows code page 1252 holds in
// 0x80 to 0x9F, where Latin-1 has control characters.
bool inCp1252Extras(char32_t c)
{
    static const char32_t extras[] = {0x20AC, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030,
                                      0x0160, 0x2039, 0x0152, 0x017D, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x017E, 0x0178};
    return std::find(std::begin(extras), std::end(extras), c) != std::end(extras);
}

bool databaseHolds(std::string_view charset, char32_t c)
{
    if (charset == "US7ASCII")
        return c < 0x80;
    if (charset == "WE8ISO8859P1")
        return c < 0x100;
    if (charset == "WE8MSWIN1252")
        return c < 0x80 || (c >= 0xA0 && c < 0x100) || inCp1252Extras(c);
    return true;  // AL32UTF8 and UTF8 hold every character
}

}  // namespace

std::string toDatabaseCharset(std::string_view utf8, std::string_view charset)
{
    std::string text;
    text.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t c = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (std::size_t k = 1; k < length && i + k < utf8.size(); ++k)
            c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        if (databaseHolds(charset, c))
            text.append(utf8.substr(i, length));
        else
            text += '?';
        i += length;
    }
    return text;
}

std::string fromClient(std::string_view bytes, bool unicode)
{
    std::string text(bytes);
    if (!unicode)
        for (char& c : text)
            if (static_cast<unsigned char>(c) >= 0x80)
                c = '?';
    return text;
}

}  // namespace qv::standin
