// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "keygen/KeyAssembly.h"

#include "common/MessageSink.h"
#include "keygen/RandomSource.h"
#include "keygen/WordSource.h"

namespace tavrix {

namespace {

// Attempts at a dictionary key before giving up on a dictionary whose words cannot fill it exactly.
constexpr int kDictionaryAttempts = 1000;

QString HexKey(WordSource& words, qint32 keyLength) {
    static constexpr char kDigits[] = "0123456789abcdef";
    QString key;
    key.reserve(keyLength);
    for (qint32 i = 0; i < keyLength; ++i)
        key += QLatin1Char(kDigits[words.GetRnd(16)]);
    return key;
}

QString LetterKey(WordSource& words, qint32 keyLength) {
    QString key;
    key.reserve(keyLength);
    for (qint32 i = 0; i < keyLength; ++i)
        key += QChar(97 + words.GetRnd(26));
    return key;
}

// What a key can hold: exactly keyLength characters, each printable ASCII (0x20 to 0x7E), as an access
// point takes a WEP key in ASCII. Dictionary lines are used as they stand, so a control character, a
// letter beyond ASCII or one whose lower case is two characters makes the key unusable.
bool UsableKey(const QString& key, qint32 keyLength) {
    if (key.size() != keyLength)
        return false;
    for (const QChar c : key) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            return false;
    }
    return true;
}

// One assembly from the dictionary, by the rules of WordLoopEnd and KeyEndOf: keyLength characters long
// when every word had the length asked for. Nothing when the shortfall cannot be filled; failed is set when
// a GetWord call failed (it has shown its message).
std::optional<QString> AssembleFromWords(WordSource& words, qint32 keyLength, bool& drew, bool& failed) {
    const auto draw = [&](qint32 length) {
        auto word = words.GetWord(length);
        failed = !word;
        return word;
    };
    QString key;
    while (key.size() < WordLoopEnd(keyLength)) {
        const auto word = draw(0);
        if (!word)
            return std::nullopt;
        drew = true;
        key += *word + QLatin1Char('-');
    }

    const KeyEnd end = KeyEndOf(keyLength - key.size());
    if (end.back == 0)
        return std::nullopt;
    QString front;
    if (end.front > 0) {
        const auto word = draw(end.front);
        if (!word)
            return std::nullopt;
        front = *word + QLatin1Char('-');
    }
    const auto back = draw(end.back);
    if (!back)
        return std::nullopt;
    return front + key + *back;
}

// A dictionary key in lower case that UsableKey accepts. An assembly that does not give one is started
// again with fresh draws, up to kDictionaryAttempts times and while the generation has read less than
// kGenerationByteBudget bytes of the dictionary. std::nullopt when a GetWord call failed (it has shown its
// message) or when no attempt gave a usable key (reported here).
std::optional<QString> DictionaryKey(WordSource& words, qint32 keyLength) {
    const qint64 bytesBefore = words.bytesRead();
    for (int attempt = 0; attempt < kDictionaryAttempts; ++attempt) {
        bool drew = false;
        bool failed = false;
        const auto assembled = AssembleFromWords(words, keyLength, drew, failed);
        if (failed)
            return std::nullopt;
        if (assembled) {
            const QString key = assembled->toLower();
            if (UsableKey(key, keyLength))
                return key;
            drew = true;
        }
        if (!drew)
            break; // nothing was drawn, so another attempt would end the same way
        if (words.bytesRead() - bytesBefore >= kGenerationByteBudget)
            break;
    }
    words.sink().show(
        Message{MessageIcon::Critical, QStringLiteral("GenerateKey() Error.."),
                QStringLiteral("dict.txt holds no words that make a key of exactly %1 characters.").arg(keyLength)});
    return std::nullopt;
}

} // namespace

std::optional<QString> TryAssembleKey(WordSource& words, qint32 hexDigits, const QString& keyTypeText,
                                      const QString& methodTag) {
    words.random().reseed(SecondsSinceMidnight());
    if (hexDigits <= 0)
        return QString();

    if (keyTypeText == QLatin1String(kKeyTypeHex))
        return HexKey(words, hexDigits);

    const qint32 keyLength = KeyLengthOf(hexDigits);
    if (methodTag == QLatin1String(kMethodRandom))
        return LetterKey(words, keyLength);
    if (methodTag == QLatin1String(kMethodDictionary)) {
        if (keyLength <= 0)
            return QString();
        return DictionaryKey(words, keyLength);
    }
    return QString();
}

} // namespace tavrix
