// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Unix only: what this reaches has no Windows counterpart, and the rows that use it are Unix rows.
#if !defined(_WIN32)

#include <QFile>
#include <QString>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace tavrix::test {

// Watches a named pipe for a reader while it lives. A program that opens a pipe for reading waits until
// someone opens it for writing; and opening the writing end without waiting succeeds only while a reader has
// it open. From `grace` on, the watch tries that every 10 ms: it notes a reader and lets it go on (it then
// reads an empty file), so a program that wrongly opens the pipe fails its test instead of hanging it.
class PipeReaderWatch {
public:
    PipeReaderWatch(const QString& path, std::chrono::milliseconds grace)
        : m_path(QFile::encodeName(path)), m_thread([this, grace] { watch(grace); }) {}

    ~PipeReaderWatch() {
        m_done = true;
        m_thread.join();
    }

    PipeReaderWatch(const PipeReaderWatch&) = delete;
    PipeReaderWatch& operator=(const PipeReaderWatch&) = delete;

    bool readerSeen() const { return m_readerSeen; }

private:
    void watch(std::chrono::milliseconds grace) {
        const auto from = std::chrono::steady_clock::now() + grace;
        while (!m_done) {
            if (std::chrono::steady_clock::now() >= from) {
                const int fd = ::open(m_path.constData(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0) {
                    m_readerSeen = true;
                    ::close(fd);
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    const QByteArray m_path;
    std::atomic<bool> m_done{false};
    std::atomic<bool> m_readerSeen{false};
    std::thread m_thread; // last: it starts once the members above exist
};

} // namespace tavrix::test

#endif
