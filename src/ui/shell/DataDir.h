#pragma once

#include <QString>
#include <QStringList>

// "kelvo --data-dir [DIR]": Kelvo keeps its database in the folder it starts in; this option
// makes it start in DIR instead, or, without DIR, in the user's data folder (the desktop menu
// starts it so). It changes the working directory and nothing else.
namespace DataDir {

// $XDG_DATA_HOME/Kelvo, or ~/.local/share/Kelvo when XDG_DATA_HOME is not set.
QString UserFolder();

// The folder the command line asks for: DIR of "--data-dir DIR" or "--data-dir=DIR", the
// user's data folder for "--data-dir" without a folder, an empty text without the option.
// The last of several wins.
QString Requested(const QStringList& arguments);

// Creates the folder when it is missing and makes it the working directory. False, with a
// German message in *error and the working directory unchanged, when that is not possible.
bool Enter(const QString& folder, QString* error);

} // namespace DataDir
