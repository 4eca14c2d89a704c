#include "TerminalProgress.h"

#include <QStringList>

#ifdef _WIN32
#include <io.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace qv {

namespace {

// Cells a character takes on a terminal: two for the wide East Asian ones.
int cells(uint c)
{
    const bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3)
                      || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60)
                      || (c >= 0xFFE0 && c <= 0xFFE6);
    return wide ? 2 : 1;
}

bool stderrIsTerminal()
{
#ifdef _WIN32
    return _isatty(2) != 0;
#else
    return ::isatty(2) == 1;
#endif
}

int width(const QString& text)
{
    int used = 0;
    for (const uint c : text.toUcs4())
        used += cells(c);
    return used;
}

// The line in at most `room` cells (none below 1): the parts between the
// first and the last ("; ") go first, so the rows and the time left stay.
QString cut(const QString& line, int room)
{
    if (room < 1 || width(line) <= room)
        return line;
    const QString separator = line.contains(u'；') ? QStringLiteral("；") : QStringLiteral("; ");
    const QStringList parts = line.split(separator);
    QString shown = parts.size() > 2 ? parts.first() + separator + parts.last() : line;
    int used = 0;
    qsizetype end = 0;
    for (const uint c : shown.toUcs4()) {
        if (used + cells(c) > room)
            break;
        used += cells(c);
        end += QChar::requiresSurrogates(c) ? 2 : 1;
    }
    shown.truncate(end);
    return shown;
}

int terminalColumns()
{
#ifdef _WIN32
    return 0;
#else
    winsize size{};
    return ::ioctl(2, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
#endif
}

}  // namespace

TerminalProgress::TerminalProgress() : TerminalProgress(stderr, stderrIsTerminal(), -1) {}

TerminalProgress::TerminalProgress(std::FILE* stream, bool terminal, int columns)
    : stream_(stream), terminal_(terminal), columns_(columns)
{
}

void TerminalProgress::show(const QString& line)
{
    if (!terminal_)
        return;
    const int columns = columns_ < 0 ? terminalColumns() : columns_;  // a window may be resized during the run
    // One cell stays free: a line that fills the last column wraps on some terminals.
    const QString shown = cut(line, columns - 1);
    std::fprintf(stream_, "\r%s\x1b[K", shown.toLocal8Bit().constData());
    std::fflush(stream_);
    shown_ = true;
}

void TerminalProgress::end()
{
    if (!shown_)
        return;
    std::fputc('\n', stream_);
    std::fflush(stream_);
    shown_ = false;
}

}  // namespace qv
