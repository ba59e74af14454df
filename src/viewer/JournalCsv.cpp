#include "viewer/JournalCsv.h"

#include <QFileInfo>
#include <QSaveFile>

#include "viewer/JournalModel.h"

namespace {

QByteArray field(const QString& text) {
    QByteArray bytes = text.toUtf8();
    if (bytes.contains(',') || bytes.contains(';') || bytes.contains('"') ||
        bytes.startsWith(' ') || bytes.endsWith(' ')) {
        bytes.replace('"', "\"\"");
        bytes = '"' + bytes + '"';
    }
    return bytes;
}

}  // namespace

void writeJournalCsv(const JournalModel& model, QIODevice& device) {
    QByteArray out = "\xEF\xBB\xBF";
    out += "Дата,Номер,Абонент,Время,Длительность,Секунды\r\n";
    for (int row = 0; row < model.rowCount(); ++row) {
        for (int column = 0; column < JournalModel::ColumnCount; ++column) {
            out += field(model.data(model.index(row, column)).toString());
            out += ',';
        }
        if (!model.isDamaged(row)) {
            out += QByteArray::number(model.seconds(row));
        }
        out += "\r\n";
        if (out.size() >= 1 << 16) {
            device.write(out);
            out.clear();
        }
    }
    device.write(out);
}

QString saveJournalCsv(const JournalModel& model, const QString& target, const QString& journal) {
    const QFileInfo info(target);
    if (info.exists() && info.canonicalFilePath() == QFileInfo(journal).canonicalFilePath()) {
        return QStringLiteral("это сам файл журнала; журнал не перезаписывается");
    }
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly)) {
        return file.errorString();
    }
    writeJournalCsv(model, file);
    if (!file.commit()) {
        return file.errorString();
    }
    return {};
}
