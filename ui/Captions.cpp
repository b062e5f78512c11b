// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/Captions.h"

namespace tavrix {

QString MinorVersionText(int minor) {
    return QStringLiteral("%1").arg(minor, 2, 10, QLatin1Char('0'));
}

QString WindowCaption(int minor) {
    return QStringLiteral("Tavrix v1.") + MinorVersionText(minor);
}

QString VersionLabelCaption(int minor) {
    return QStringLiteral("v1.") + MinorVersionText(minor);
}

} // namespace tavrix
