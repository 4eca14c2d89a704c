#include "RecordingHost.h"

namespace qv::test {

void RecordingHost::replaceLastLine(const QString& line)
{
    replacements << line;
    if (lines.isEmpty())
        lines << line;
    else
        lines.last() = line;
}

void RecordingHost::processEvents()
{
    ++yields;
    if (onProcessEvents)
        onProcessEvents(*this);
}

QString RecordingHost::completionText(CompletionLine line) const
{
    return captionOf(captionTable(language), completionLineComponent(line));
}

}  // namespace qv::test
