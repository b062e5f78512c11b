// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "keygen/RandomSource.h"
#include "tests/support/MemorySettingsStore.h"
#include "tests/support/RecordingLauncher.h"
#include "tests/support/RecordingMessageSink.h"
#include "ui/SettingsAccess.h"
#include "ui/modStartup.h"
#include "ui/wMain.h"
#include "ui/wSplash.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>

#include <memory>

namespace tavrix::test {

// A main window and splash wired to an in-memory store, a message recorder and a recording launcher.
struct MainWindowHarness {
    explicit MainWindowHarness(QStringList dictionaryFolders = {QStringLiteral(TAVRIX_SOURCE_DATA_DIR)})
        : settings(store, sink) {
        main = std::make_unique<wMain>(
            MainWindowServices{settings, sink, random, std::move(dictionaryFolders), recorder.launcher()});
        splash = std::make_unique<wSplash>();
        modStartup::connectWindows(*main, *splash);
        store.setObserver([this] { return main->window() ? text() : QStringLiteral("<unloaded>"); });
    }

    ~MainWindowHarness() {
        main->Unload();
        splash->Unload();
    }

    template <typename T> T* control(const char* name) const {
        T* found = main->window() ? main->window()->findChild<T*>(QString::fromLatin1(name)) : nullptr;
        if (!found)
            qFatal("control %s not found", name);
        return found;
    }

    QComboBox* strength() const { return control<QComboBox>("cboKeyStrength"); }
    QComboBox* type() const { return control<QComboBox>("cboKeyType"); }
    QRadioButton* option(int i) const { return control<QRadioButton>(i == 0 ? "optASCIIMode_0" : "optASCIIMode_1"); }
    QCheckBox* check(const char* name) const { return control<QCheckBox>(name); }
    QGroupBox* page(int i) const {
        const QByteArray name = "fraContainer_" + QByteArray::number(i);
        return control<QGroupBox>(name.constData());
    }
    QToolButton* button(const char* name) const { return control<QToolButton>(name); }
    QString text() const { return control<QPlainTextEdit>("txtKey")->toPlainText(); }
    QTimer* timer() const { return control<QTimer>("tmrSplashClose"); }

    QStringList writtenKeys() const {
        QStringList keys;
        for (const auto& w : store.writes())
            keys << w.key + '=' + w.text;
        return keys;
    }

    MemorySettingsStore store;
    RecordingMessageSink sink;
    SystemRandomSource random;
    SettingsAccess settings;
    RecordingLauncher recorder{[this] { return main ? main->window() : nullptr; }};
    QVector<Launch>& launches = recorder.launches;
    std::unique_ptr<wMain> main;
    std::unique_ptr<wSplash> splash;
};

} // namespace tavrix::test
