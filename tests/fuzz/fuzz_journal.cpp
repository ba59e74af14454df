#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "dialing/Journal.h"
#include "dialing/JournalRecord.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/ScratchFile.h"
#include "viewer/JournalLines.h"
#include "viewer/JournalModel.h"

// The journal viewer on any file, read at once and read while it grows. Every LF ends a line and
// nothing else does; a line is at most kJournalLineMax bytes; a record read back is written again
// by the dialler's own writer byte for byte; a file read in two steps (the first input byte says
// where it is cut) gives the table a file read at once gives.
namespace {

// The table as text, row by row.
QStringList rows(const JournalModel& model) {
    QStringList out;
    for (int row = 0; row < model.rowCount(); ++row) {
        for (int column = 0; column < model.columnCount(); ++column) {
            out << model.data(model.index(row, column)).toString();
        }
        out << QStringLiteral("|");
    }
    return out;
}

bool same_totals(const JournalModel& a, const JournalModel& b) {
    return a.totals().calls == b.totals().calls && a.totals().seconds == b.totals().seconds &&
           a.totals().damaged == b.totals().damaged;
}

}  // namespace

FUZZ_TARGET(bytes) {
    static const ScratchFile file("zvonmat.jur");
    file.write(bytes);
    const int fd = ::open(file.path().c_str(), O_RDONLY | O_CLOEXEC);
    FUZZ_CHECK(fd >= 0);
    LineReader reader(fd, 0, bytes.size(), 4096);
    JournalLine line;
    std::size_t lines = 0;
    bool last_open = false;
    while (reader.next(line)) {
        ++lines;
        last_open = !line.ended;
        FUZZ_CHECK(line.bytes.size() <= kJournalLineMax);
        FUZZ_CHECK(line.bytes.find('\n') == std::string_view::npos);
        if (const auto record = parse_journal_line(line.bytes)) {
            const std::string again = journal_record(
                record->date, record->number, record->subscriber, record->time, record->duration);
            FUZZ_CHECK(again == std::string(line.bytes) + "\r\n");
            FUZZ_CHECK(record->seconds >= 0);
        }
    }
    ::close(fd);
    const auto line_ends = std::size_t(std::count(bytes.begin(), bytes.end(), '\n'));
    const bool open_end = !bytes.empty() && bytes.back() != '\n';
    FUZZ_CHECK(lines == line_ends + (open_end ? 1 : 0));
    FUZZ_CHECK(last_open == open_end);

    JournalModel once(file.path());
    once.setBackgroundFrom(UINT64_MAX);
    once.refresh();

    file.write(bytes.substr(0, bytes.empty() ? 0 : std::uint8_t(bytes[0]) % (bytes.size() + 1)));
    JournalModel stepwise(file.path());
    stepwise.setBackgroundFrom(UINT64_MAX);
    stepwise.refresh();
    file.write(bytes);  // the same bytes before the cut, more after it
    stepwise.refresh();
    FUZZ_CHECK(rows(stepwise) == rows(once));
    FUZZ_CHECK(same_totals(stepwise, once));
}
