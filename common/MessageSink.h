// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

namespace tavrix {

// Every message box the program shows has one OK button; only the icon, title and text vary.
enum class MessageIcon { Critical, Warning };

struct Message {
    MessageIcon icon = MessageIcon::Critical;
    QString title;
    QString text;
};

// Where messages go: a modal QMessageBox in the program, a recorder in tests. show() returns once the
// user has dismissed the message.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void show(const Message& message) = 0;
};

} // namespace tavrix
