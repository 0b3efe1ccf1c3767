#pragma once
// The paths named on the command line, made absolute before anything can change the
// process's current folder (the file list enters every folder it reads).
#include <QString>
#include <QStringList>

namespace velora::app {

// The names the user gave: Qt's options (already taken out of `kept`, Qt's view of the
// arguments) are dropped, and after the first "--" every argument is a name as typed,
// even one Qt would read as its own option. Names may begin with "-". The program's own
// name (the first argument) is not among them.
QStringList CommandLineNames(const QStringList& raw, const QStringList& kept);

// Each name as an absolute, clean path, relative names taken from `currentFolder`; empty
// names are left out.
QStringList AbsolutePaths(const QStringList& names, const QString& currentFolder);

}  // namespace velora::app
