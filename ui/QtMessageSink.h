#pragma once

#include "shell/MessageSink.h"

namespace tavrix {

// Shows each message as a modal QMessageBox with one OK button, and returns when it is dismissed.
class QtMessageSink final : public MessageSink {
public:
    void show(const Message& message) override;
};

} // namespace tavrix
