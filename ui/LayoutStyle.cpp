// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/LayoutStyle.h"

#include <QApplication>
#include <QPalette>
#include <QProxyStyle>
#include <QStyleFactory>

#include <memory>

namespace tavrix {

namespace {

#if defined(Q_OS_WIN)
// The system's own style: under it every caption fits with the system's Tahoma; under Fusion one does not.
constexpr auto kLayoutStyle = "windowsvista";
#else
constexpr auto kLayoutStyle = "Fusion";
#endif

// Fusion's drawing with the palette of the user's style. Qt builds the application palette from the platform
// theme's palette over the style's standard palette and then lets the style polish it; both steps are left
// to the user's style here, so the palette comes out as it would with that style, and a theme that changes
// while the program runs is followed as before.
class PaletteKeepingStyle final : public QProxyStyle {
public:
    explicit PaletteKeepingStyle(std::unique_ptr<QStyle> users)
        : QProxyStyle(QStyleFactory::create(QString::fromLatin1(kLayoutStyle))), m_users(std::move(users)) {}

    QPalette standardPalette() const override { return m_users->standardPalette(); }
    void polish(QPalette& palette) override { m_users->polish(palette); }
    using QProxyStyle::polish;

private:
    std::unique_ptr<QStyle> m_users;
};

} // namespace

void UseLayoutStyle() {
    const QStyle* current = QApplication::style();
    if (!current || dynamic_cast<const PaletteKeepingStyle*>(current) ||
        current->name().compare(QLatin1String(kLayoutStyle), Qt::CaseInsensitive) == 0)
        return;
    // A second instance of the user's style, since the application deletes the one it holds.
    std::unique_ptr<QStyle> users(QStyleFactory::create(current->name()));
    if (users)
        QApplication::setStyle(new PaletteKeepingStyle(std::move(users)));
}

} // namespace tavrix
