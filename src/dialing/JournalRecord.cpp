#include "dialing/JournalRecord.h"

#include "dialing/Journal.h"

namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Minutes (one digit or more, at most 9 so the sum cannot overflow), ':', two digits of seconds.
std::optional<std::int64_t> duration_seconds(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 9 || text.size() != colon + 3) {
        return std::nullopt;
    }
    std::int64_t minutes = 0;
    for (char c : text.substr(0, colon)) {
        if (!is_digit(c)) {
            return std::nullopt;
        }
        minutes = minutes * 10 + (c - '0');
    }
    const char tens = text[colon + 1], units = text[colon + 2];
    if (!is_digit(tens) || tens > '5' || !is_digit(units)) {
        return std::nullopt;
    }
    return minutes * 60 + (tens - '0') * 10 + (units - '0');
}

}  // namespace

std::optional<JournalRecord> parse_journal_line(std::string_view line) {
    // The dialler writes its fields as they stand, so any byte but a line end may be in one.
    if (line.find('\r') != std::string_view::npos || line.find('\n') != std::string_view::npos) {
        return std::nullopt;
    }
    const std::size_t number_label = line.find(kJournalNumberLabel);
    if (number_label == std::string_view::npos) {
        return std::nullopt;
    }
    const std::size_t number_at = number_label + kJournalNumberLabel.size();
    const std::size_t duration_label = line.rfind(kJournalDurationLabel);
    if (duration_label == std::string_view::npos || duration_label < number_at) {
        return std::nullopt;
    }
    const std::size_t time_label = line.substr(0, duration_label).rfind(kJournalTimeLabel);
    if (time_label == std::string_view::npos || time_label < number_at) {
        return std::nullopt;
    }
    const std::string_view middle = line.substr(number_at, time_label - number_at);
    const std::size_t subscriber_label = middle.find(kJournalSubscriberLabel);
    if (subscriber_label == std::string_view::npos) {
        return std::nullopt;
    }

    JournalRecord record;
    record.date = line.substr(0, number_label);
    record.number = middle.substr(0, subscriber_label);
    record.subscriber = middle.substr(subscriber_label + kJournalSubscriberLabel.size());
    const std::size_t time_at = time_label + kJournalTimeLabel.size();
    record.time = line.substr(time_at, duration_label - time_at);
    record.duration = line.substr(duration_label + kJournalDurationLabel.size());
    const auto seconds = duration_seconds(record.duration);
    if (!seconds) {
        return std::nullopt;
    }
    record.seconds = *seconds;
    return record;
}
