#pragma once

#include <QString>

class QIODevice;
class JournalModel;

// The rows of the journal as shown (filtered and sorted as they are), as CSV for a spreadsheet:
// UTF-8 with a byte order mark, a header row, CR LF line ends, a field quoted when it holds a
// comma, a semicolon, a quote or a blank at either end; the duration both as written (MM:SS)
// and in seconds. A damaged line stands whole in the first field.
void writeJournalCsv(const JournalModel& model, QIODevice& device);

// Writes them to the file `target`, whole or not at all, never to the journal at `journal`
// itself. The reason of a failure, in Russian, or an empty text.
QString saveJournalCsv(const JournalModel& model, const QString& target, const QString& journal);
