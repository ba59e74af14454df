#include "platform/Cp1251.h"

#include <QStringDecoder>
#include <array>
#include <unordered_map>

namespace platform {
namespace {

// The code page is taken from the library's decoder once; encoding goes through the reverse of
// that table, because the library's encoder turns unmappable characters into byte 26.
struct Cp1251Table {
    std::array<char16_t, 256> to_unicode{};
    std::unordered_map<char16_t, char> from_unicode;

    Cp1251Table() {
        QStringDecoder decoder("windows-1251", QStringDecoder::Flag::Stateless);
        for (int b = 0; b < 256; ++b) {
            // A byte the decoder cannot map keeps its own number (a C1 control for 0x80..0x9F),
            // so every byte still survives a round trip.
            char16_t u = char16_t(b);
            if (b >= 0x80 && decoder.isValid()) {
                const char byte = char(b);
                const QString s = decoder.decode(QByteArrayView(&byte, 1));
                if (s.size() == 1 && s[0] != QChar::ReplacementCharacter && !s[0].isSurrogate()) {
                    u = s[0].unicode();
                }
            }
            to_unicode[b] = u;
        }
        for (int b = 255; b >= 0; --b) {
            from_unicode[to_unicode[b]] = char(b);  // the lowest byte wins should two decode alike
        }
    }
};

const Cp1251Table& table() {
    static const Cp1251Table t;
    return t;
}

}  // namespace

QString fromCp1251(std::string_view bytes) {
    const auto& t = table();
    QString out;
    out.resize(qsizetype(bytes.size()));
    QChar* dst = out.data();
    for (char c : bytes) {
        *dst++ = QChar(t.to_unicode[static_cast<unsigned char>(c)]);
    }
    return out;
}

std::string toCp1251(QStringView text) {
    const auto& t = table();
    std::string out;
    out.reserve(std::size_t(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (u < 0x80) {
            out += char(u);
            continue;
        }
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() &&
            QChar::isLowSurrogate(text[i + 1].unicode())) {
            ++i;  // a character beyond the BMP: one '?' for the pair
            out += '?';
            continue;
        }
        const auto it = t.from_unicode.find(u);
        out += it != t.from_unicode.end() ? it->second : '?';  // lone surrogates are not in the map
    }
    return out;
}

}  // namespace platform
