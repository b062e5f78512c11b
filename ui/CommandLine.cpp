// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/CommandLine.h"

#include "TavrixVersion.h"
#include "common/MessageSink.h"
#include "keygen/KeyAssembly.h"
#include "keygen/RandomSource.h"
#include "keygen/WordSource.h"
#include "settings/QSettingsStore.h"
#include "ui/Console.h"
#include "ui/DictionaryFolders.h"
#include "ui/SettingsAccess.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>

namespace tavrix {

namespace {

constexpr int kKeyFailed = 1;
constexpr int kBadUsage = 2;
constexpr int kMostKeys = 1000000;

// The messages the window shows in a box, as lines on standard error: "tavrix: <title>: <text>" for a
// failure, "tavrix: warning: <text>" for a warning (whose box title is the program's name).
class StandardErrorSink final : public MessageSink {
public:
    void show(const Message& message) override {
        QString text = message.text;
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        const QString prefix = message.icon == MessageIcon::Warning ? QStringLiteral("warning") : message.title;
        std::fprintf(stderr, "tavrix: %s: %s\n", prefix.toLocal8Bit().constData(), text.toLocal8Bit().constData());
    }
};

// The usage or the version on standard output.
int PrintAnswer(const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stdout);
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : kKeyFailed;
}

int BadUsage(const QString& text) {
    std::fprintf(stderr, "tavrix: %s\nTry 'tavrix --help' for the options.\n", text.toLocal8Bit().constData());
    return kBadUsage;
}

// "a, b or c"
QString OneOf(QStringList words) {
    const QString last = words.takeLast();
    return words.isEmpty() ? last : words.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

// A choice the window keeps as the index of a list entry and saves under `setting`.
struct Choice {
    QCommandLineOption option;
    QStringList words; // what the option accepts, in the order of the window's entries
    SettingId setting;
    std::function<bool(int)> accepts; // what the window takes from the saved setting
    std::optional<int> index{};       // the entry given on the command line
};

// Strength, type and method, in that order.
using Choices = std::array<Choice, 3>;

int GenerateKeys(Choices& choices, int count) {
    StandardErrorSink sink;
    QSettingsStore store;
    SettingsAccess settings(store, sink);
    // Read as the window reads them: an unusable saved value is reported and its default taken.
    for (Choice& choice : choices) {
        if (!choice.index)
            choice.index = settings.usableValue(choice.setting, settings.read(choice.setting), choice.accepts).value;
    }
    const int strength = *choices[0].index;
    const int type = *choices[1].index;
    // A saved list without a selection (-1): the window then makes no key, and here there is none to print.
    if (strength < 0) {
        std::fputs("tavrix: no key strength is chosen in the saved settings; give --strength 64, 128 or 256\n", stderr);
        return kKeyFailed;
    }
    const qint32 hexDigits = kStrengthChoices[static_cast<std::size_t>(strength)].hexDigits;
    // The window decides by the type list's text, which is empty without a selection (an ASCII key).
    const QString typeText = type < 0 ? QString() : QString::fromLatin1(kKeyTypeTexts[static_cast<std::size_t>(type)]);
    const QString methodTag = QString::number(*choices[2].index);

    SystemRandomSource random;
    WordSource words(random, sink, DictionaryFolders());
    for (int i = 0; i < count; ++i) {
        const std::optional<QString> key = TryAssembleKey(words, hexDigits, typeText, methodTag);
        if (!key)
            return kKeyFailed; // the sink has said why
        std::fprintf(stdout, "%s\n", key->toLatin1().constData());
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "tavrix: could not write the key: %s\n", std::strerror(errno));
        return kKeyFailed;
    }
    return 0;
}

} // namespace

bool NamesCommandLineOption(int argc, char* argv[]) {
    // Long options whole or with "=value"; short ones alone or run together ("-gv").
    static const QRegularExpression kOwnOption(QRegularExpression::anchoredPattern(
        QStringLiteral("--(help|help-all|version|generate)|--(strength|type|method|count)(=.*)?|-[ghv?]+")));
    for (int i = 1; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        if (kOwnOption.match(argument).hasMatch() || IsPlatformHelpOption(argument))
            return true;
    }
    return false;
}

int RunCommandLine(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Tavrix"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(version::kText));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Generates keys for WEP-secured wireless networks. Without options it opens its window;\n"
                       "with --generate it prints keys and needs no display. Choices not given are the ones\n"
                       "saved in the window, which the command line never changes."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption generate(QStringList{QStringLiteral("g"), QStringLiteral("generate")},
                                      QStringLiteral("Print a key on standard output and exit."));
    QStringList bits;
    for (const StrengthChoice& choice : kStrengthChoices)
        bits << QString::number(choice.bits);
    Choices choices{
        {{QCommandLineOption(QStringLiteral("strength"), QStringLiteral("Key strength in bits: %1.").arg(OneOf(bits)),
                             QStringLiteral("bits")),
          bits, SettingId::KeyStrength, [](int v) { return ListAccepts(v, int(kStrengthChoices.size())); }},
         {QCommandLineOption(QStringLiteral("type"), QStringLiteral("Key type: hex or ascii."), QStringLiteral("type")),
          {QStringLiteral("hex"), QStringLiteral("ascii")},
          SettingId::KeyType,
          [](int v) { return ListAccepts(v, int(kKeyTypeTexts.size())); }},
         {QCommandLineOption(QStringLiteral("method"),
                             QStringLiteral("ASCII key method: random (letters) or dictionary (words from dict.txt)."),
                             QStringLiteral("method")),
          {QStringLiteral("random"), QStringLiteral("dictionary")},
          SettingId::AsciiMode,
          AsciiMethodAccepts}}};
    const QCommandLineOption count(
        QStringLiteral("count"),
        QStringLiteral("How many keys to print, one a line: 1 to %1 (default 1).").arg(kMostKeys), QStringLiteral("n"),
        QStringLiteral("1"));
    parser.addOptions({generate, choices[0].option, choices[1].option, choices[2].option, count});

    QStringList arguments = QCoreApplication::arguments();
    for (auto argument = arguments.begin() + 1; argument < arguments.end(); ++argument) {
        if (IsPlatformHelpOption(*argument))
            *argument = QStringLiteral("--help");
    }
    if (!parser.parse(arguments))
        return BadUsage(parser.errorText());
    // Printed here rather than by the parser, which on Windows shows them in a message box when the program
    // has no console of its own.
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all")))
        return PrintAnswer(parser.helpText());
    if (parser.isSet(version))
        return PrintAnswer(QCoreApplication::applicationName() + u' ' + QCoreApplication::applicationVersion() + u'\n');
    if (!parser.positionalArguments().isEmpty())
        return BadUsage(QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().constFirst()));
    if (!parser.isSet(generate))
        return BadUsage(QStringLiteral("--strength, --type, --method and --count go with --generate"));

    for (Choice& choice : choices) {
        if (!parser.isSet(choice.option))
            continue;
        const QString value = parser.value(choice.option);
        const auto index = choice.words.indexOf(value.toLower());
        if (index < 0)
            return BadUsage(QStringLiteral("--%1: '%2' is not one of %3")
                                .arg(choice.option.names().constFirst(), value, OneOf(choice.words)));
        choice.index = static_cast<int>(index);
    }
    bool isNumber = false;
    const int keys = parser.value(count).toInt(&isNumber);
    if (!isNumber || keys < 1 || keys > kMostKeys)
        return BadUsage(
            QStringLiteral("--count: '%1' is not a whole number from 1 to %2").arg(parser.value(count)).arg(kMostKeys));
    return GenerateKeys(choices, keys);
}

} // namespace tavrix
