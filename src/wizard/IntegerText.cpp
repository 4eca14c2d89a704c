#include "IntegerText.h"

#include <cstdint>

namespace qv {

namespace {

int hexDigit(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

}  // namespace

std::optional<int> parseIntegerText(const QString& text)
{
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    const QStringView s = QStringView(text).left(nul < 0 ? text.size() : nul);
    qsizetype i = 0;
    while (i < s.size() && s[i] == u' ')
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) {
        negative = s[i] == u'-';
        ++i;
    }

    bool hex = false;
    if (i < s.size() && (s[i] == u'$' || s[i] == u'x' || s[i] == u'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < s.size() && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) {
        hex = true;
        i += 2;
    }
    if (i == s.size())
        return std::nullopt;  // no digits at all

    std::uint64_t magnitude = 0;
    const std::uint64_t limit = hex ? 0xFFFFFFFFu : (negative ? 2147483648u : 2147483647u);
    for (; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        const int digit = hex ? hexDigit(c) : (c >= u'0' && c <= u'9' ? c - u'0' : -1);
        if (digit < 0)
            return std::nullopt;
        magnitude = magnitude * (hex ? 16 : 10) + std::uint64_t(digit);
        if (magnitude > limit)
            return std::nullopt;
    }
    // Two's complement on 32 bits: hexadecimal may set the sign bit.
    std::uint32_t bits = std::uint32_t(magnitude);
    if (negative)
        bits = 0u - bits;
    return std::int32_t(bits);
}

}  // namespace qv
