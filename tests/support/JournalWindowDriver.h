#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

#include "viewer/JournalWindow.h"

// Works the journal viewer as its user does: reads the table and the lines under it, and types a
// filter.
class JournalWindowDriver {
  public:
    explicit JournalWindowDriver(JournalWindow& window) : window_(window) {}

    int rows() const { return window_.model().rowCount(); }
    QString cell(int row, int column) const {
        const QAbstractItemModel& model = window_.model();
        return model.data(model.index(row, column)).toString();
    }
    // How many columns the row's first cell spans on the screen: all of them for a damaged line.
    int span(int row) const { return window_.table()->columnSpan(row - window_.firstRow(), 0); }
    QString totals() const { return window_.totalsLabel()->text(); }
    QString state() const { return window_.stateLabel()->text(); }
    // Clears the filter and types `text` into it, a key for each character, and waits for
    // the rows and totals to be counted.
    void filter(const QString& text) {
        window_.filterEdit()->clear();
        for (const QChar c : text) {
            QTest::sendKeyEvent(QTest::Click, window_.filterEdit(), Qt::Key_unknown, QString(c),
                                Qt::NoModifier);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!window_.model().busy(), 10000);
    }

  private:
    JournalWindow& window_;
};
