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

// keyLength characters drawn one by one from the alphabet, each with GetRnd(alphabet.size()).
QString DrawnKey(WordSource& words, qint32 keyLength, QLatin1String alphabet) {
    QString key;
    key.reserve(keyLength);
    for (qint32 i = 0; i < keyLength; ++i)
        key += alphabet[words.GetRnd(qint32(alphabet.size()))];
    return key;
}

// What a key can hold: exactly keyLength characters, each printable ASCII (0x20 to 0x7E), as an access
// point takes a WEP key in ASCII. Dictionary lines are used as they stand, so a control character, a
// letter beyond ASCII or one whose lower case is two characters makes the key unusable.
bool UsableKey(const QString& key, qint32 keyLength) {
    return key.size() == keyLength &&
           std::all_of(key.begin(), key.end(), [](QChar c) { return c.unicode() >= 0x20 && c.unicode() <= 0x7e; });
}

// One assembly from the dictionary, by the rules of WordLoopEnd and KeyEndOf: keyLength characters long
// when every word had the length asked for; empty when the shortfall cannot be filled. std::nullopt when a
// GetWord call failed (it has shown its message).
std::optional<QString> AssembleFromWords(WordSource& words, qint32 keyLength) {
    QString key;
    while (key.size() < WordLoopEnd(keyLength)) {
        const auto word = words.GetWord(0);
        if (!word)
            return std::nullopt;
        key += *word + QLatin1Char('-');
    }

    const KeyEnd end = KeyEndOf(keyLength - key.size());
    if (end.back == 0)
        return QString();
    if (end.front > 0) {
        const auto word = words.GetWord(end.front);
        if (!word)
            return std::nullopt;
        key.prepend(*word + QLatin1Char('-'));
    }
    const auto back = words.GetWord(end.back);
    if (!back)
        return std::nullopt;
    return key + *back;
}

// A dictionary key in lower case that UsableKey accepts. An assembly that does not give one is started
// again with fresh draws, up to kDictionaryAttempts times and while the generation has read less than
// kGenerationByteBudget bytes of the dictionary. std::nullopt when a GetWord call failed (it has shown its
// message) or when no attempt gave a usable key (reported here).
std::optional<QString> DictionaryKey(WordSource& words, qint32 keyLength) {
    const qint64 bytesBefore = words.bytesRead();
    for (int attempt = 0; attempt < kDictionaryAttempts; ++attempt) {
        const auto assembled = AssembleFromWords(words, keyLength);
        if (!assembled)
            return std::nullopt;
        const QString key = assembled->toLower();
        if (UsableKey(key, keyLength))
            return key;
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
        return DrawnKey(words, hexDigits, QLatin1String("0123456789abcdef"));

    const qint32 keyLength = KeyLengthOf(hexDigits);
    if (methodTag == QLatin1String(kMethodRandom))
        return DrawnKey(words, keyLength, QLatin1String("abcdefghijklmnopqrstuvwxyz"));
    if (methodTag == QLatin1String(kMethodDictionary) && keyLength > 0)
        return DictionaryKey(words, keyLength);
    return QString();
}

} // namespace tavrix
