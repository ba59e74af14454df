#include "Journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QString>
#include <cerrno>
#include <cstring>

#include "Cp1251.h"
#include "Error.h"
#include "UniqueFd.h"

namespace {

// The labels in Windows-1251.
constexpr std::string_view kNumberLabel = "\x20\xCD\xEE\xEC\xE5\xF0\x3A\x20";  // " Номер: "
constexpr std::string_view kSubscriberLabel =
    "\x20\xC0\xE1\xEE\xED\xE5\xED\xF2\x3A\x20";                          // " Абонент: "
constexpr std::string_view kTimeLabel = "\x20\xC2\xF0\xE5\xEC\xFF\x20";  // " Время "
constexpr std::string_view kDurationLabel = "\x20\xC4\xEB\xE8\xF2\x2E\x3A\x20";  // " Длит.: "

std::string local_time_text(std::time_t when, const char* format) {
    std::tm parts{};
    localtime_r(&when, &parts);
    char text[128];
    const std::size_t length = std::strftime(text, sizeof text, format, &parts);
    return platform::toCp1251(QString::fromLocal8Bit(text, qsizetype(length)));
}

[[noreturn]] void fail(const std::string& path, int error) {
    throw platform::Error("Cannot write to the journal " + path + ": " + std::strerror(error));
}

}  // namespace

std::string journal_record(std::string_view date, std::string_view number,
                           std::string_view subscriber, std::string_view time,
                           std::string_view duration) {
    std::string record;
    for (std::string_view piece :
         {date, kNumberLabel, number, kSubscriberLabel, subscriber, kTimeLabel, time,
          kDurationLabel, duration, std::string_view("\r\n")}) {
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
    platform::UniqueFd fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
    if (!fd) {
        fail(path, errno);
    }
    ssize_t written;
    do {
        written = ::write(fd.get(), record.data(), record.size());
    } while (written < 0 && errno == EINTR);
    if (written < 0) {
        fail(path, errno);
    }
    if (std::size_t(written) != record.size()) {
        // A short write means the disk is full; take the partial line back so no torn record
        // is left between whole ones.
        struct stat st {};
        if (::fstat(fd.get(), &st) == 0) {
            [[maybe_unused]] const int ignored = ::ftruncate(fd.get(), st.st_size - written);
        }
        fail(path, ENOSPC);
    }
    if (!fd.close_checked()) {
        fail(path, errno);
    }
}
