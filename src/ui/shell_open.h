#pragma once

#include <QString>

// Opening things with the desktop's default programs (the shell's "open").
namespace kova {

// Opens a web address, a "mailto:" link or any other address with the desktop's default
// program. A failure is answered and otherwise ignored.
bool ShellOpenUrl(const QString& address);

// Opens the address like ShellOpenUrl; when nothing could be started for it, tells the user so in
// a message that gives the address to open by hand.
bool OpenUrlOrExplain(const QString& address);

// Shows a folder in the file manager or opens a file with its default program. A path written in
// double quotes is taken without them.
bool ShellOpenPath(const QString& path);

// Opens the path like ShellOpenPath; when nothing could be started for it, tells the user so in a
// message that gives the path to open by hand.
bool OpenPathOrExplain(const QString& path);

// The path without the double quotes it may be written in.
QString UnquotedPath(const QString& path);

}  // namespace kova
