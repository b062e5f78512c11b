#include "Fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace tavrix {

void RegisterBundledFonts() {
    static const bool registered = [] {
        for (const char* file : {":/fonts/tahoma.ttf", ":/fonts/tahomabd.ttf"})
            QFontDatabase::addApplicationFont(QString::fromLatin1(file));
        return true;
    }();
    (void)registered;
}

} // namespace tavrix
