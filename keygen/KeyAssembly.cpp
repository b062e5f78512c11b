#include "keygen/KeyAssembly.h"

#include "keygen/RandomSource.h"
#include "keygen/WordSource.h"
#include "shell/MessageSink.h"

namespace tavrix {

namespace {

// Attempts at a dictionary key before giving up on a dictionary whose words cannot fill it exactly.
constexpr int kDictionaryAttempts = 1000;

// hexDigits / 2, with a half going to the even neighbour.
qint32 HalfToEven(qint32 hexDigits) {
    qint32 half = hexDigits / 2;
    if (hexDigits % 2 != 0 && half % 2 != 0)
        half += hexDigits > 0 ? 1 : -1;
    return half;
}

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

// Words joined by single hyphens, exactly keyLength characters long. A word loop that leaves two
// characters or fewer to fill cannot be finished with the words of 3 to 6 letters the shortfall step
// asks for, so the whole key is drawn again. std::nullopt when a GetWord call failed (it has shown its
// message) or when no attempt fitted (reported here).
std::optional<QString> DictionaryKey(WordSource& words, qint32 keyLength) {
    for (int attempt = 0; attempt < kDictionaryAttempts; ++attempt) {
        QString key;
        bool drew = false;
        while (key.size() < keyLength - 9) {
            const auto word = words.GetWord(0);
            if (!word)
                return std::nullopt;
            drew = true;
            key += *word + QLatin1Char('-');
        }

        const auto shortfall = static_cast<qint32>(keyLength - key.size());
        if (shortfall >= 3 && shortfall <= 6) {
            const auto word = words.GetWord(shortfall);
            if (!word)
                return std::nullopt;
            return key + *word;
        }
        if (shortfall >= 7 && shortfall <= 9) {
            const auto front = words.GetWord(shortfall == 7 ? 3 : 4);
            if (!front)
                return std::nullopt;
            const auto back = words.GetWord(shortfall == 9 ? 4 : 3);
            if (!back)
                return std::nullopt;
            return *front + QLatin1Char('-') + key + *back;
        }
        if (!drew)
            break; // nothing was drawn, so another attempt would end the same way
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

    const qint32 keyLength = HalfToEven(hexDigits);
    if (methodTag == QLatin1String(kMethodRandom))
        return LetterKey(words, keyLength);
    if (methodTag == QLatin1String(kMethodDictionary)) {
        if (keyLength <= 0)
            return QString();
        const auto key = DictionaryKey(words, keyLength);
        return key ? std::optional<QString>(key->toLower()) : std::nullopt;
    }
    return QString();
}

QString AssembleKey(WordSource& words, qint32 hexDigits, const QString& keyTypeText, const QString& methodTag) {
    return TryAssembleKey(words, hexDigits, keyTypeText, methodTag).value_or(QString());
}

} // namespace tavrix
