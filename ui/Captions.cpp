// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/Captions.h"

namespace tavrix {

QString VersionLabelCaption(int minor) {
    // The minor version with at least two digits: "01" for 1, "100" for 100.
    return QStringLiteral("v1.%1").arg(minor, 2, 10, QLatin1Char('0'));
}

QString WindowCaption(int minor) {
    return QStringLiteral("Tavrix ") + VersionLabelCaption(minor);
}

} // namespace tavrix
