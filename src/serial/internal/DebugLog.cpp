#include "serial/internal/DebugLog.h"

#include <QLoggingCategory>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>
#include <system_error>
#include <utility>

namespace serial {

namespace {

Q_LOGGING_CATEGORY(lcSerial, "zvonmat.serial", QtInfoMsg)

std::mutex sink_mutex;
DebugLogSink sink;
std::atomic<bool> active{false};

}  // namespace

void DebugLog(std::string_view line) noexcept {
    if (!active.load(std::memory_order_acquire)) {
        return;
    }
    try {
        std::lock_guard lock(sink_mutex);
        if (sink) {
            sink(line);
        }
    } catch (...) {
        // A diagnostic that cannot be written is dropped; it never stops the caller.
    }
}

void DebugLog(std::string_view line, long long number) noexcept {
    if (!active.load(std::memory_order_acquire)) {
        return;
    }
    try {
        DebugLog(std::string(line) + std::to_string(number));
    } catch (...) {
    }
}

std::optional<std::string> ErrnoReason(int code, ReasonFor reader) {
    if (reader == ReasonFor::User) {
        switch (code) {
            case EBUSY:        // open() of a terminal another opener holds (TIOCEXCL)
            case EWOULDBLOCK:  // flock() of a device another program has locked
                return "already in use";
            case ENOTTY:
                return "not a terminal";
            default:
                return std::generic_category().message(code);
        }
    }
    // strerrordesc_np gives the untranslated text and null for a code it does not know, unlike
    // strerror, which makes up "Unknown error N".
    if (const char* text = ::strerrordesc_np(code)) {
        return text;
    }
    return std::nullopt;
}

void LogLastError(int code, const char* prefix) noexcept {
    if (!active.load(std::memory_order_acquire)) {
        return;
    }
    try {
        std::string line = prefix != nullptr ? prefix : "";
        if (const auto text = ErrnoReason(code, ReasonFor::DebugLog)) {
            line += "GetLastError returned: \"";
            line += *text;
            line += '"';
        } else {
            line += "Out of memory";
        }
        DebugLog(line);
    } catch (...) {
    }
}

void DebugOutput(std::string_view line) noexcept {
    try {
        qCDebug(lcSerial, "%.*s", static_cast<int>(line.size()), line.data());
    } catch (...) {
    }
}

DebugLogSink SetDebugLog(DebugLogSink new_sink) {
    std::lock_guard lock(sink_mutex);
    active.store(static_cast<bool>(new_sink), std::memory_order_release);
    return std::exchange(sink, std::move(new_sink));
}

}  // namespace serial
