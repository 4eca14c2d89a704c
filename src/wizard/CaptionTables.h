#pragma once

#include "engine/RunHost.h"

#include <QPair>
#include <QString>
#include <QVector>

namespace qv {

enum class UiLanguage { English, Chinese };

// A caption table: rows of component name and caption, in their order.
using CaptionTable = QVector<QPair<QString, QString>>;

const CaptionTable& captionTable(UiLanguage language);
// The caption of a component; empty when the table has no row for it.
QString captionOf(const CaptionTable& table, const QString& componentName);

// The hidden label whose caption holds a completion line of the run.
QString completionLineComponent(CompletionLine line);

}  // namespace qv
