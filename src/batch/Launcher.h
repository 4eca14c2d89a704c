#pragma once

#include <QString>
#include <QStringList>

namespace qv {

// The desktop's launcher for a job: a freedesktop desktop entry that starts
// `program` with one argument, in `workingFolder`.
struct LauncherFacts {
    QString program;        // full path of the program to start
    QString argument;       // its one argument, unquoted (the job file's path)
    QString workingFolder;  // the folder the program starts in
};

// One argument as the Exec key of a desktop entry carries it: in double
// quotes, with ", `, $ and \ escaped by a backslash and % doubled. The
// string-level escapes of the key's value are not applied yet.
QString quotedExecArgument(const QString& argument);

// A string value of a desktop entry with its escapes: \\ for a backslash,
// \n, \t and \r for those characters, \s for a leading blank.
QString escapedDesktopValue(const QString& value);

// The text of the launcher: [Desktop Entry] with Type, Name (the launcher's
// file name without its extension), Exec (the quoted program and the quoted
// argument) and Path (the working folder). Lines end with LF.
QString desktopEntryText(const QString& name, const LauncherFacts& facts);

// Writes the launcher at path as UTF-8, replacing the file. It is readable,
// writable and executable by its owner only, from before the first byte is
// written, so that desktops that trust only executable launchers start it.
// False when the file could not be written completely.
bool createLauncher(const QString& path, const LauncherFacts& facts);

// The program's own full path and its folder with a final separator: the
// launcher's target and working folder.
QString programPath();
QString programFolder();

}  // namespace qv
