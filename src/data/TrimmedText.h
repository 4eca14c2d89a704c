#pragma once

#include <QString>

namespace qv {

// The text without leading and trailing blanks and control characters
// (everything up to U+0020), as statement texts and input checks see it.
inline QString trimmedText(const QString& text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && text.at(begin).unicode() <= 0x20)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 0x20)
        --end;
    return text.mid(begin, end - begin);
}

}  // namespace qv
