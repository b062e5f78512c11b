// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/Fonts.h"

#include <QByteArray>
#include <QFontDatabase>
#include <QResource>

namespace tavrix {

void RegisterBundledFonts() {
    static const bool registered = [] {
    // Windows has its own Tahoma, bold included; the bundled face only stands in where a system lacks it,
    // and is never registered over it.
#if defined(Q_OS_WIN)
        if (QFontDatabase::hasFamily(QStringLiteral("Tahoma")))
            return false;
#endif
        // Only the regular face: the free bold face that goes with it carries the regular outlines on wider
        // spacing, so bold text set in it looked regular. Without it, bold text is the regular face made
        // bold by the font engine.
        //
        // Registered from the bytes built into the program rather than by its resource path: given a path,
        // Qt copies the whole face into memory twice, once to register it and once for the font engine;
        // from the bytes, the registration and the engine share them in place.
        const QResource face(QStringLiteral(":/fonts/tahoma.ttf"));
        const QByteArray bytes = face.compressionAlgorithm() == QResource::NoCompression
                                     ? QByteArray::fromRawData(reinterpret_cast<const char*>(face.data()),
                                                               static_cast<qsizetype>(face.size()))
                                     : face.uncompressedData();
        QFontDatabase::addApplicationFontFromData(bytes);
        return true;
    }();
    (void)registered;
}

} // namespace tavrix
