// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "common/MessageSink.h"

namespace tavrix {

// Shows each message as a modal QMessageBox with one OK button, and returns when it is dismissed.
// Ctrl+C in the box puts its title and text on the clipboard in the plain layout Windows uses for message
// boxes, on every platform, so a user can paste a diagnostic into a report.
class QtMessageSink final : public MessageSink {
public:
    void show(const Message& message) override;
};

// Lines longer than this many characters are cut for display (see DisplayedMessageText): far longer than any
// line the program writes itself, paths included.
inline constexpr int kLongestShownLine = 4096;

// The text as the box shows it: unchanged, except that a line longer than kLongestShownLine characters is
// cut there and ends in "…". A diagnostic quotes a dictionary line, and one of megabytes would freeze the
// box's layout for minutes.
QString DisplayedMessageText(const QString& text);

// What Ctrl+C copies from a box with this title, text and the single OK button.
QString CopiedMessageText(const QString& title, const QString& text);

} // namespace tavrix
