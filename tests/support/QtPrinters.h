#pragma once

#include <QString>
#include <ostream>

// Lets GoogleTest show Qt texts (and lists of them) readably in failures.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
