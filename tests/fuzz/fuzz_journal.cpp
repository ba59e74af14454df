#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "dialing/Journal.h"
#include "dialing/JournalRecord.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/ScratchFile.h"
#include "viewer/JournalFollower.h"
#include "viewer/JournalModel.h"

// The journal viewer on any file, read at once and read while it grows. Every LF ends a line and
// nothing else does; a line is at most kLineMax bytes; a record read back is written again by the
// dialler's own writer byte for byte; a file read in two steps (the first input byte says where
// it is cut) gives the table a file read at once gives.
namespace {

using Line = JournalFollower::Line;

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

}  // namespace

FUZZ_TARGET(bytes) {
    static const ScratchFile file("zvonmat.jur");
    file.write(bytes);
    JournalFollower whole(file.path());
    const JournalFollower::Update at_once = whole.poll();
    FUZZ_CHECK(!at_once.restart && !at_once.replace_last);
    const auto line_ends = std::size_t(std::count(bytes.begin(), bytes.end(), '\n'));
    const bool open_end = !bytes.empty() && bytes.back() != '\n';
    FUZZ_CHECK(at_once.lines.size() == line_ends + (open_end ? 1 : 0));
    FUZZ_CHECK(at_once.last_open == open_end);
    for (const Line& line : at_once.lines) {
        FUZZ_CHECK(line.bytes.size() <= JournalFollower::kLineMax);
        FUZZ_CHECK(line.bytes.find('\n') == std::string::npos);
        if (const auto record = parse_journal_line(line.bytes)) {
            const std::string again = journal_record(
                record->date, record->number, record->subscriber, record->time, record->duration);
            FUZZ_CHECK(again == line.bytes + "\r\n");
            FUZZ_CHECK(record->seconds >= 0);
        }
    }
    JournalModel once;
    once.apply(at_once);

    file.write(bytes.substr(0, bytes.empty() ? 0 : std::uint8_t(bytes[0]) % (bytes.size() + 1)));
    JournalFollower growing(file.path());
    JournalModel stepwise;
    stepwise.apply(growing.poll());
    FUZZ_CHECK(growing.poll().empty());
    file.write(bytes);  // the same bytes before the cut, more after it
    const JournalFollower::Update rest = growing.poll();
    FUZZ_CHECK(!rest.restart);
    stepwise.apply(rest);
    FUZZ_CHECK(rows(stepwise) == rows(once));
    FUZZ_CHECK(stepwise.totals().calls == once.totals().calls &&
               stepwise.totals().seconds == once.totals().seconds &&
               stepwise.totals().damaged == once.totals().damaged);
}
