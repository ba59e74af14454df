#pragma once

#include <ctime>
#include <string>
#include <string_view>

// The call journal: one line per call, appended, never read by the dialler (the viewer
// zvonmat-journal reads it back). Texts are Windows-1251 bytes.

// The labels between the fields, in Windows-1251: " Номер: ", " Абонент: ", " Время " (no
// colon) and " Длит.: ".
inline constexpr std::string_view kJournalNumberLabel = "\x20\xCD\xEE\xEC\xE5\xF0\x3A\x20";
inline constexpr std::string_view kJournalSubscriberLabel =
    "\x20\xC0\xE1\xEE\xED\xE5\xED\xF2\x3A\x20";
inline constexpr std::string_view kJournalTimeLabel = "\x20\xC2\xF0\xE5\xEC\xFF\x20";
inline constexpr std::string_view kJournalDurationLabel = "\x20\xC4\xEB\xE8\xF2\x2E\x3A\x20";

// One record: the date, " Номер: ", the number, " Абонент: ", the subscriber, " Время ", the
// time, " Длит.: ", the duration, and CR LF. Nothing is escaped: the fields are written as
// they stand and empty ones leave the labels side by side.
std::string journal_record(std::string_view date, std::string_view number,
                           std::string_view subscriber, std::string_view time,
                           std::string_view duration);

// The user's short date and long time (hours, minutes, seconds) of `when`, as the locale writes
// them, in Windows-1251.
std::string short_date_text(std::time_t when);
std::string long_time_text(std::time_t when);

// Appends `record` to the journal at `path` with one write, creating the journal when it does
// not exist. An existing journal is never truncated or created anew. Throws platform::Error
// naming the file and the system's reason when the record cannot be written whole.
void append_journal_record(const std::string& path, std::string_view record);
