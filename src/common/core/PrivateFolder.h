// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Folders for the copies of the user's text that the program keeps (recovery files, the
// preview page): only their owner may enter them.
namespace PrivateFolder {

// Makes `path` a folder of this user with mode 0700: created when missing (with any missing
// parents), tightened when it is ours but open to others. A symbolic link, something that is
// not a folder, or another user's folder is refused: false with the reason in *error.
bool ensure(const QString& path, QString* error);

}  // namespace PrivateFolder
