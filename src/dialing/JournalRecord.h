#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// One line of the call journal read back: the date, " Номер: ", the number, " Абонент: ", the
// subscriber, " Время ", the time, " Длит.: ", the duration (MM:SS; the minutes may run to three
// digits and more). The fields are Windows-1251 bytes, views into the line.
//
// Nothing in a record is escaped, so a number or a subscriber may itself hold a label's text.
// The date ends at the first " Номер: " (a date never holds one); the duration follows the last
// " Длит.: " and the time the last " Время " before it; the number ends at the first " Абонент: ".
// A subscriber written with " Время " or " Длит.: " in it therefore reads back whole, as does a
// number without " Абонент: " in it.
struct JournalRecord {
    std::string_view date;
    std::string_view number;
    std::string_view subscriber;
    std::string_view time;
    std::string_view duration;
    std::int64_t seconds = 0;  // the duration's
};

// The record of `line` (its line end taken off), or nothing when the line is not one: a label
// missing or out of order, a duration that is not minutes, ':' and two digits of seconds under 60,
// or a CR or LF anywhere, which no record the dialler writes holds. Any other byte, a control
// character too, may stand in a field: the dialler writes its fields unchanged.
std::optional<JournalRecord> parse_journal_line(std::string_view line);
