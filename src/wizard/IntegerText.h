#pragma once

#include <QString>
#include <optional>

namespace qv {

// Reads a whole number the way the stored settings and job files write and
// expect it: optional leading spaces, an optional sign, then decimal digits or
// hexadecimal digits after "$", "x" or "0x" (either case). Hexadecimal takes up
// to 32 bits and wraps into the negative range ("$FFFFFFFF" is -1). Anything
// else, the empty text, trailing blanks and out-of-range numbers included,
// gives no value. The text counts up to its first NUL character.
std::optional<int> parseIntegerText(const QString& text);

}  // namespace qv
