#include "dialing/Journal.h"

#include <QString>

#include "platform/Cp1251.h"
#include "platform/FileError.h"
#include "platform/Files.h"

namespace {

std::string local_time_text(std::time_t when, const char* format) {
    std::tm parts{};
    localtime_r(&when, &parts);
    char text[128];
    const std::size_t length = std::strftime(text, sizeof text, format, &parts);
    return platform::toCp1251(QString::fromLocal8Bit(text, qsizetype(length)));
}

}  // namespace

std::string journal_record(std::string_view date, std::string_view number,
                           std::string_view subscriber, std::string_view time,
                           std::string_view duration) {
    std::string record;
    for (std::string_view piece :
         {date, kJournalNumberLabel, number, kJournalSubscriberLabel, subscriber, kJournalTimeLabel,
          time, kJournalDurationLabel, duration, std::string_view("\r\n")}) {
        record.append(piece);
    }
    return record;
}

std::string short_date_text(std::time_t when) {
    return local_time_text(when, "%x");
}

std::string long_time_text(std::time_t when) {
    return local_time_text(when, "%X");
}

void append_journal_record(const std::string& path, std::string_view record) {
    if (const auto error = platform::append_file(path, record)) {
        throw platform::file_error(platform::FileMessage::JournalWrite, path, error);
    }
}
