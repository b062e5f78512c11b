// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QIcon>
#include <QVector>

namespace tavrix {

// A list of images that buttons refer to by 1-based index.
class ImageList {
public:
    void add(const QIcon& image) { m_images.append(image); }
    int count() const { return static_cast<int>(m_images.size()); }
    // 1-based, as the buttons store it; an index out of range gives a null icon.
    QIcon image(int index) const { return index >= 1 && index <= count() ? m_images[index - 1] : QIcon(); }

private:
    QVector<QIcon> m_images;
};

} // namespace tavrix
