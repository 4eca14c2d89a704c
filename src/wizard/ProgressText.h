#pragma once

#include "CaptionTables.h"
#include "engine/RunProgress.h"

#include <QString>
#include <QStringList>

namespace qv {

// The one line that tells a person how far a run is, as page 6 and a
// terminal show it: "Table 3 of 12: ORDER_LINES, 1,234,500 of about
// 2,000,000 rows; 41,200 rows/s; about 2 min left".
QString progressText(const RunProgress& progress, UiLanguage language);
// The same line in the pieces a window may break it between (the table, its
// rows, the rate, the time left or done), each with what follows it: joined
// they are the line.
QStringList progressPieces(const RunProgress& progress, UiLanguage language);

}  // namespace qv
