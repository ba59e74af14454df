#pragma once

#include <QString>
#include <string>
#include <string_view>

// The program keeps every text of its own (settings, list entries, phone book cells, journal
// records) as Windows-1251 bytes, so that length limits count bytes and the files stay readable
// by the other tools that share them. Widgets speak Unicode; these two functions are the border.
namespace platform {

// Decodes Windows-1251 bytes. Every byte has a Unicode form, so this never fails.
QString fromCp1251(std::string_view bytes);

// Encodes to Windows-1251. A character with no Windows-1251 form becomes '?', never byte 26
// (Ctrl-Z ends a phone book file when it is read back).
std::string toCp1251(QStringView text);

}  // namespace platform
