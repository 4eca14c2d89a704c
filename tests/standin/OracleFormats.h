#pragma once

// Oracle's value formats as the OCI Programmer's Guide describes them
// (chapter "Data Types"), and the Oracle errors raised on the way.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::standin {

// An Oracle error: its number and its text "ORA-nnnnn: message".
struct OraError {
    int code = 0;
    std::string text;
};

OraError oraError(int code, std::string_view message);
[[noreturn]] void fail(int code, std::string_view message);

// An exact decimal number as Oracle's NUMBER keeps it.
class Number {
public:
    // "[+-]digits[.digits][e[+-]digits]", blanks around allowed; empty when not a number.
    static std::optional<Number> parse(std::string_view text);
    static Number fromInteger(std::int64_t value);
    // The shortest decimal that reads back as `value` (ORA-01426 for infinity).
    static Number fromDouble(double value);

    // Rounds to the 20 base-100 digits Oracle stores, and gives ORA-01426
    // beyond its range (a magnitude of 1.0E+126 or more); tiny values become 0.
    void limitToOracle();

    bool isZero() const { return digits_.empty(); }
    // The default conversion to text (format model TM): "0.5" is ".5".
    std::string toText() const;
    // Oracle's internal form: an exponent byte and up to 20 mantissa bytes.
    std::vector<std::uint8_t> toOracleBytes() const;
    double toDouble() const;
    float toFloat() const;
    // The integer part; empty when it does not fit in 64 bits.
    std::optional<std::int64_t> toInteger() const;

private:
    bool negative_ = false;
    std::string digits_;  // significant digits, no leading or trailing zero; empty for zero
    int point_ = 0;       // the value is 0.digits times ten to this power
};

// A date and time as Oracle's DATE and TIMESTAMP types hold it.
struct DateTime {
    int year = 1;                    // negative before the Christian era; never 0
    unsigned month = 1, day = 1;
    unsigned hour = 0, minute = 0, second = 0;
    std::uint32_t nanosecond = 0;
    bool hasZone = false;
    int zoneMinutes = 0;             // offset east of UTC, when no region is named
    std::string zoneName;            // a region such as "Europe/Paris", or empty

    // ISO text "YYYY-MM-DD[ HH:MI[:SS[.fraction]]][ zone]"; raises the ORA-
    // error Oracle gives for the field that is out of range.
    static DateTime parse(std::string_view text);
    // Rounds the fraction to `digits` digits (0 to 9), carrying into the seconds.
    void roundFraction(int digits);
    // DATE's seven bytes: century+100, year+100, month, day, hour+1, minute+1, second+1.
    std::vector<std::uint8_t> toOracleDate() const;
    // The default formats of territory AMERICA: NLS_DATE_FORMAT 'DD-MON-RR',
    // NLS_TIMESTAMP_FORMAT 'DD-MON-RR HH.MI.SSXFF AM', and ' TZR' after it with a zone.
    std::string dateText() const;
    std::string timestampText(int fractionDigits, bool withZone) const;
};

// Text of BINARY_FLOAT and BINARY_DOUBLE values as Oracle converts them: "2.5E+000".
std::string binaryFloatText(double value, bool single);

// UTF-8 helpers.
bool isValidUtf8(std::string_view text);
std::size_t utf8Length(std::string_view text);                   // characters
std::size_t utf8Prefix(std::string_view text, std::size_t bytes);  // bytes of the whole characters that fit
// CLOB and NCLOB lengths, offsets and amounts count UCS-2 code units: a
// character outside the Basic Multilingual Plane counts twice.
std::size_t ucs2Length(std::string_view text);
std::size_t ucs2Bytes(std::string_view text, std::size_t units);  // bytes of the whole characters within `units`
// Text in a client character set: UTF-8 itself for AL32UTF8, otherwise each
// character outside ASCII becomes '?', as Oracle's conversion replaces a
// character that the target set lacks.
std::string toClient(std::string_view utf8, bool unicode);
std::string fromClient(std::string_view bytes, bool unicode);
// Text after a conversion into a database character set (US7ASCII,
// WE8ISO8859P1, WE8MSWIN1252, AL32UTF8): each character the set lacks is '?'.
std::string toDatabaseCharset(std::string_view utf8, std::string_view charset);

}  // namespace qv::standin
