// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "settings/IniFile.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

// QSettings itself is the reference: every file here is read by QSettings and by IniFile, and every edit
// IniFile makes is read back by QSettings.

namespace {

// The text QSettings gives for a key, as the store hands it on (a list joined back with ',').
QString SettingsText(const QVariant& value) {
    if (value.userType() == QMetaType::QStringList || value.userType() == QMetaType::QVariantList)
        return value.toStringList().join(u',');
    return value.toString();
}

} // namespace

class tst_IniFile : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_files = 0;

    // A file of its own for each look, so QSettings' cache of parsed files never answers instead.
    QString writeFile(const QByteArray& bytes) {
        const QString path = m_dir.filePath(QStringLiteral("f%1.conf").arg(++m_files));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    QMap<QString, QString> settingsView(const QByteArray& bytes, bool* formatError = nullptr) {
        QSettings settings(writeFile(bytes), QSettings::IniFormat);
        QMap<QString, QString> view;
        for (const QString& key : settings.allKeys())
            view.insert(key, SettingsText(settings.value(key)));
        if (formatError)
            *formatError = settings.status() == QSettings::FormatError;
        return view;
    }

private slots:
    void valuesReadAsQSettingsReadsThem_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        const QByteArray s = "[Settings]\n";
        QTest::newRow("a plain value") << s + "Key%20Type=1\n"
                                       << "Settings"
                                       << "Key Type";
        QTest::newRow("literal blanks in the key") << s + "Key Type = 1 \n"
                                                   << "Settings"
                                                   << "Key Type";
        QTest::newRow("quotes keep blanks") << s + "k=\"  2 \"\n"
                                            << "Settings"
                                            << "k";
        QTest::newRow("an unquoted comma makes a list") << s + "k=1, 5 ,x\n"
                                                        << "Settings"
                                                        << "k";
        QTest::newRow("a quoted comma does not") << s + "k=\"1,5\"\n"
                                                 << "Settings"
                                                 << "k";
        QTest::newRow("a list of quoted parts") << s + "k=\"a\" , \"b, c\"\n"
                                                << "Settings"
                                                << "k";
        QTest::newRow("escapes") << s + "k=a\\tb\\nc\\\\d\\\"e\\x41\\101\\?\n"
                                 << "Settings"
                                 << "k";
        QTest::newRow("an escape at the very end") << s + "k=ab \\\n"
                                                   << "Settings"
                                                   << "k";
        QTest::newRow("an escaped blank is kept at the end") << s + "k=ab\\x20 \n"
                                                             << "Settings"
                                                             << "k";
        QTest::newRow("a quoted value runs over a line end") << s + "k=\"a\nb\"\nj=2\n"
                                                             << "Settings"
                                                             << "k";
        QTest::newRow("a backslash joins the next line") << s + "k=a\\\nb\nj=2\n"
                                                         << "Settings"
                                                         << "k";
        QTest::newRow("a semicolon ends the value") << s + "k=1;comment\n"
                                                    << "Settings"
                                                    << "k";
        QTest::newRow("a comment line") << s + "; k=9\nk=1\n"
                                        << "Settings"
                                        << "k";
        QTest::newRow("the last of two definitions wins") << s + "k=1\nk=2\n"
                                                          << "Settings"
                                                          << "k";
        QTest::newRow("a section that comes twice") << s + "k=1\n[Other]\nk=5\n" + s + "k=3\n"
                                                    << "Settings"
                                                    << "k";
        QTest::newRow("escaped and literal spellings are one key") << s + "Key%20Type=1\nKey Type=2\n"
                                                                   << "Settings"
                                                                   << "Key Type";
        QTest::newRow("a key outside any section") << QByteArray("k=1\n[Settings]\nj=2\n") << ""
                                                   << "k";
        QTest::newRow("a lower-case general section") << QByteArray("[general]\nk=1\n") << ""
                                                      << "k";
        QTest::newRow("a section written as %General is a group named General")
            << QByteArray("k=0\n[%General]\nk=1\n") << "General"
            << "k";
        QTest::newRow("a key with a backslash reaches into a group")
            << QByteArray("[General]\nSettings\\Key%20Type=7\n") << "Settings"
            << "Key Type";
        QTest::newRow("the group's own section wins over a key reaching into it from a later [General]")
            << s + "Key%20Type=1\n[General]\nSettings\\Key%20Type=0\n"
            << "Settings"
            << "Key Type";
        QTest::newRow("a unicode escape in the key") << s + "%U00E9t%E9=1\n"
                                                     << "Settings" << QString::fromUtf8("\xc3\xa9t\xc3\xa9");
        QTest::newRow("a byte order mark") << "\xef\xbb\xbf" + s + "k=1\n"
                                           << "Settings"
                                           << "k";
        QTest::newRow("carriage returns") << QByteArray("[Settings]\r\nk=1\r\nj=2\r\n") << "Settings"
                                          << "k";
        QTest::newRow("an empty value") << s + "k=\n"
                                        << "Settings"
                                        << "k";
        QTest::newRow("a doubled at sign") << s + "k=@@x\n"
                                           << "Settings"
                                           << "k";
        QTest::newRow("a string in the at form") << s + "k=@String(abc)\n"
                                                 << "Settings"
                                                 << "k";
        QTest::newRow("an invalid value") << s + "k=@Invalid()\n"
                                          << "Settings"
                                          << "k";
        QTest::newRow("UTF-8 text") << s + "k=caf\xc3\xa9\n"
                                    << "Settings"
                                    << "k";
        QTest::newRow("keys differ by case") << s + "k=1\nK=2\n"
                                             << "Settings"
                                             << "k";
        QTest::newRow("an absent key") << s + "k=1\n"
                                       << "Settings"
                                       << "missing";
        QTest::newRow("an equals sign inside quotes in the key line") << s + "k=\"a=b\"\n"
                                                                      << "Settings"
                                                                      << "k";
    }
    void valuesReadAsQSettingsReadsThem() {
        QFETCH(QByteArray, contents);
        QFETCH(QString, section);
        QFETCH(QString, key);
        const QMap<QString, QString> expected = settingsView(contents);
        const QString full = section.isEmpty() ? key : section + u'/' + key;
        const tavrix::IniFile ini(contents);
        const std::optional<QString> actual = ini.value(section, key);
        QCOMPARE(actual.has_value(), expected.contains(full));
        if (actual)
            QCOMPARE(*actual, expected.value(full));
        QVERIFY(ini.wellFormed());
    }

    void formatErrorsAreFoundAsQSettingsFindsThem_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("a good file") << QByteArray("[a]\nb=c\n");
        QTest::newRow("a section header without its bracket") << QByteArray("[Settings\nk=1\n");
        QTest::newRow("a line without an equals sign") << QByteArray("[Settings]\nk=1\nnonsense\n");
        QTest::newRow("a hash comment is no comment") << QByteArray("# note\n[Settings]\nk=1\n");
        QTest::newRow("a semicolon comment is one") << QByteArray("; note\n[Settings]\nk=1\n");
        QTest::newRow("an empty file") << QByteArray();
        QTest::newRow("blank lines only") << QByteArray("\n\n  \n");
        QByteArray binary;
        for (int i = 0; i < 4096; ++i)
            binary.append(char((i * 151 + 7) % 256));
        QTest::newRow("binary bytes") << binary;
    }
    void formatErrorsAreFoundAsQSettingsFindsThem() {
        QFETCH(QByteArray, contents);
        bool formatError = false;
        settingsView(contents, &formatError);
        QCOMPARE(tavrix::IniFile(contents).wellFormed(), !formatError);
    }

    void anEditChangesOneKeyAndKeepsEveryOther_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        const QByteArray mixed = "Version=3\n; comment\n[Other]\nx=\"a, b\"\ny=1,2\n[Settings]\nKey Type=1\n"
                                 "Window Left=100\n[Last]\nz=\"multi\nline\"\n";
        QTest::newRow("a key that exists is replaced") << mixed << "Settings"
                                                       << "Key Type"
                                                       << "0";
        QTest::newRow("a new key joins its section") << mixed << "Settings"
                                                     << "ASCII Mode"
                                                     << "1";
        QTest::newRow("a new section is added at the end") << mixed << "Fresh"
                                                           << "Key Strength"
                                                           << "2";
        QTest::newRow("an empty file gets its first section") << QByteArray() << "Settings"
                                                              << "Key Type"
                                                              << "1";
        QTest::newRow("a file without a final line end") << QByteArray("[Settings]\nk=1") << "Settings"
                                                         << "j"
                                                         << "2";
        QTest::newRow("a section without keys") << QByteArray("[Settings]\n[Other]\nx=1\n") << "Settings"
                                                << "k"
                                                << "1";
        QTest::newRow("the last of two definitions is replaced") << QByteArray("[Settings]\nk=1\nk=2\n") << "Settings"
                                                                 << "k"
                                                                 << "3";
        QTest::newRow("a multi-line value is replaced whole") << mixed << "Last"
                                                              << "z"
                                                              << "one";
        QTest::newRow("a key outside any section") << mixed << ""
                                                   << "Version"
                                                   << "4";
        QTest::newRow("a new key outside any section") << QByteArray("[Settings]\nk=1\n") << ""
                                                       << "top"
                                                       << "t";
        QTest::newRow("a text that needs quotes") << mixed << "Settings"
                                                  << "Key Type"
                                                  << " a, b; c = d ";
        QTest::newRow("a text with escapes") << mixed << "Settings"
                                             << "Key Type"
                                             << QString::fromUtf8("tab\there\nnew \"q\" \\ \x01"
                                                                  "0 caf\xc3\xa9");
        QTest::newRow("a text that starts with an at sign") << mixed << "Settings"
                                                            << "Key Type"
                                                            << "@Invalid()";
        QTest::newRow("a text with a NUL before digits") << mixed << "Settings"
                                                         << "Key Type" << QString(QChar(0)) + "12ab";
        QTest::newRow("a key with a slash and odd characters")
            << mixed << "Settings" << QString::fromUtf8("a/b c%\xe2\x82\xac") << "v";
        QTest::newRow("a file with a byte order mark") << "\xef\xbb\xbf" + QByteArray("k=1\n") << ""
                                                       << "j"
                                                       << "2";
        QTest::newRow("a first top-level key goes after the byte order mark")
            << "\xef\xbb\xbf" + QByteArray("[Settings]\nk=1\n") << ""
            << "top"
            << "t";
        QTest::newRow("an open quote on the last line without a line end")
            << QByteArray("[Settings]\nNote=\"my note") << "Settings"
            << "Generate On Startup"
            << "1";
        QTest::newRow("an open quote at the end before a new section")
            << QByteArray("[Other]\nNote=\"my ; note\n") << "Settings"
            << "Key Type"
            << "0";
        QTest::newRow("a backslash at the very end of the file")
            << QByteArray("[Settings]\nKey%20Strength=2\\") << "Settings"
            << "Generate On Startup"
            << "1";
        QTest::newRow("a backslash and a carriage return without a line feed end the file")
            << QByteArray("[Settings]\nKey%20Strength=2\\\r") << "Settings"
            << "Generate On Startup"
            << "1";
        QTest::newRow("of two definitions reaching into the group from [General] the later is changed")
            << QByteArray("[General]\nSettings\\Key%20Type=0\nSettings\\Key%20Type=2\n") << "Settings"
            << "Key Type"
            << "1";
        QTest::newRow("a key reaching into its group from [General] is changed where it is")
            << QByteArray("[General]\nSettings\\Key%20Type=0\n") << "Settings"
            << "Key Type"
            << "1";
    }
    void anEditChangesOneKeyAndKeepsEveryOther() {
        QFETCH(QByteArray, contents);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, text);
        QMap<QString, QString> expected = settingsView(contents);
        const QString full = section.isEmpty() ? key : section + u'/' + key;
        expected.insert(full, text);

        const QByteArray edited = tavrix::IniFile(contents).withValue(section, key, text);
        bool formatError = true;
        QCOMPARE(settingsView(edited, &formatError), expected);
        QVERIFY(!formatError);
        QCOMPARE(tavrix::IniFile(edited).value(section, key), std::optional<QString>(text));
    }

    void keysAndValuesAreWrittenAsQSettingsWritesThem_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::newRow("the program's keys and numbers") << "Copy Key To Clipboard"
                                                        << "-1";
        QTest::newRow("a text that needs quotes") << "k"
                                                  << " 1,5 ";
        QTest::newRow("a comma alone needs quotes") << "k"
                                                    << "1,5";
        QTest::newRow("a blank at the end alone needs quotes") << "k"
                                                               << "1 ";
        QTest::newRow("control characters and quotes") << "k"
                                                       << QString::fromUtf8("a\tb\"c\\d\x7f\x02"
                                                                            "3");
        QTest::newRow("characters beyond Latin-1")
            << QString::fromUtf8("\xe2\x82\xac") << QString::fromUtf8("\xe2\x82\xac");
    }
    void keysAndValuesAreWrittenAsQSettingsWritesThem() {
        QFETCH(QString, key);
        QFETCH(QString, text);
        const QString path = writeFile(QByteArray());
        {
            QSettings settings(path, QSettings::IniFormat);
            settings.setValue(QStringLiteral("Settings/") + key, text);
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(tavrix::IniFile().withValue(QStringLiteral("Settings"), key, text), file.readAll());
    }
};

QTEST_GUILESS_MAIN(tst_IniFile)
#include "tst_IniFile.moc"
