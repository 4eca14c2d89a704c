#pragma once

#include <QString>

namespace qv {

// The MySQL table name for an Oracle table name: with names uppercase, the
// ASCII letters a-z become A-Z and every other character stays as it is.
QString ApplyNameCase(const QString& sourceName, bool namesUppercase);

}  // namespace qv
