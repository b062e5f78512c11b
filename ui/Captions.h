// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

namespace tavrix {

// "Tavrix v1.01": the "1." is fixed text, not the major version; the minor version has at least two digits
// ("v1.12", "v1.100").
QString WindowCaption(int minor);
// "v1.01"
QString VersionLabelCaption(int minor);

} // namespace tavrix
