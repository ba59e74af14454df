#include <QString>
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>

#include "fuzz/FuzzCheck.h"
#include "platform/Cp1251.h"

// The Windows-1251 border both ways. Bytes decode to as many characters, none of them a
// replacement or a surrogate, and encode back to the same bytes. Any UTF-16 text (the input
// taken as 16-bit units) encodes like a reference built from the decoder: a character the code
// page lacks, a surrogate pair or a lone surrogate becomes one '?'. So byte 26 (Ctrl-Z, the end
// of a phone book file) comes out only where the text itself holds U+001A.
namespace {

// Each character of the code page and its byte, from the decoder.
const std::unordered_map<char16_t, char>& reference() {
    static const auto encode = [] {
        std::unordered_map<char16_t, char> map;
        for (int b = 0; b < 256; ++b) {
            const char byte = char(b);
            const QString decoded = platform::fromCp1251(std::string_view(&byte, 1));
            FUZZ_CHECK(decoded.size() == 1);
            FUZZ_CHECK(map.emplace(decoded[0].unicode(), byte).second);  // one byte each
        }
        return map;
    }();
    return encode;
}

std::string reference_encode(const char16_t* text, std::size_t size) {
    std::string out;
    for (std::size_t i = 0; i < size; ++i) {
        const char16_t u = text[i];
        if (QChar::isHighSurrogate(u) && i + 1 < size && QChar::isLowSurrogate(text[i + 1])) {
            ++i;
            out += '?';
            continue;
        }
        const auto it = reference().find(u);
        out += it == reference().end() ? '?' : it->second;
    }
    return out;
}

}  // namespace

FUZZ_TARGET(bytes) {
    const QString decoded = platform::fromCp1251(bytes);
    FUZZ_CHECK(std::size_t(decoded.size()) == bytes.size());
    for (const QChar c : decoded) {
        FUZZ_CHECK(!c.isSurrogate() && c != QChar::ReplacementCharacter);
    }
    FUZZ_CHECK(platform::toCp1251(decoded) == bytes);

    std::u16string units(bytes.size() / 2, u'\0');
    std::memcpy(units.data(), bytes.data(), units.size() * 2);
    const std::string encoded = platform::toCp1251(QStringView(units.data(), units.size()));
    FUZZ_CHECK(encoded == reference_encode(units.data(), units.size()));
    FUZZ_CHECK(std::count(encoded.begin(), encoded.end(), '\x1a') ==
               std::count(units.begin(), units.end(), u'\x1a'));
}
