// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

namespace tavrix {

// "01" for 1, "12" for 12, "100" for 100: the minor version with at least two digits.
QString MinorVersionText(int minor);
// "Tavrix v1.01": the "1." is fixed text, not the major version.
QString WindowCaption(int minor);
// "v1.01"
QString VersionLabelCaption(int minor);

} // namespace tavrix
