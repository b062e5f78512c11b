// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QStringList>

namespace tavrix {

// Folders searched for dict.txt, in order: beside the executable, then the user's data folder, then the
// installed data folder. Needs the application object, for the executable's folder.
QStringList DictionaryFolders();

} // namespace tavrix
