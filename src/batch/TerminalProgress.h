#pragma once

#include <QString>
#include <cstdio>

namespace qv {

// The run's progress line on a terminal: each line written over the last one
// ("\r", the line, erase to the end), cut to the terminal's width so that it
// never wraps (its middle parts, such as the rate, go first), and a newline
// once the run has ended. When the stream is not a terminal (a pipe, a file,
// cron's mail) nothing is written at all.
class TerminalProgress {
public:
    // Standard error, when it is a terminal, cut to its width at each line.
    TerminalProgress();
    // `columns` 0: no cut; -1: the width of the terminal on standard error.
    TerminalProgress(std::FILE* stream, bool terminal, int columns);

    void show(const QString& line);
    // Ends the shown line, if any; again does nothing.
    void end();

private:
    std::FILE* stream_;
    bool terminal_;
    int columns_;
    bool shown_ = false;
};

}  // namespace qv
