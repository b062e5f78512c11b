// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QIcon>
#include <QString>
#include <QVector>

namespace tavrix {

// A keyed list of images that buttons refer to by 1-based index.
class ImageList {
public:
    void add(const QString& key, const QIcon& image);
    int count() const { return static_cast<int>(m_items.size()); }
    // 1-based, as the buttons store it; an index out of range gives a null icon.
    QIcon image(int index) const;
    QString key(int index) const;
    int indexOf(const QString& key) const; // 0 when absent

private:
    struct Item {
        QString key;
        QIcon image;
    };
    QVector<Item> m_items;
};

} // namespace tavrix
