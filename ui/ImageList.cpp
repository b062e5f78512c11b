// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/ImageList.h"

namespace tavrix {

void ImageList::add(const QString& key, const QIcon& image) {
    m_items.append({key, image});
}

QIcon ImageList::image(int index) const {
    return index >= 1 && index <= count() ? m_items[index - 1].image : QIcon();
}

QString ImageList::key(int index) const {
    return index >= 1 && index <= count() ? m_items[index - 1].key : QString();
}

int ImageList::indexOf(const QString& key) const {
    for (int i = 0; i < count(); ++i) {
        if (m_items[i].key == key)
            return i + 1;
    }
    return 0;
}

} // namespace tavrix
