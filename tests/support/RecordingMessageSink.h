// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "common/MessageSink.h"

#include <QVector>

#include <functional>

namespace tavrix::test {

// Records every message instead of showing it; an optional hook runs while the "box" is open.
class RecordingMessageSink final : public MessageSink {
public:
    void show(const Message& message) override {
        messages.append(message);
        if (onShow)
            onShow(message);
    }

    QVector<Message> messages;
    std::function<void(const Message&)> onShow;
};

} // namespace tavrix::test
