#pragma once

#include <ctime>
#include <string>
#include <string_view>

// The call journal: one line per call, appended, never read by the program. Texts are
// Windows-1251 bytes.

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
