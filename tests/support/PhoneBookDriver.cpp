#include "support/PhoneBookDriver.h"

#include <QApplication>
#include <QScrollBar>
#include <QTableWidget>

QTableWidget& PhoneBookDriver::table() const {
    return zvonmat_test::control_of<QTableWidget>(*window_, QStringLiteral("StringGrid1"));
}

QString PhoneBookDriver::cell(int row, int column) const {
    return table().item(row, column)->text();
}

QPoint PhoneBookDriver::current() const {
    return {table().currentColumn(), table().currentRow()};
}

QPoint PhoneBookDriver::centre(int row, int column) const {
    return table().visualItemRect(table().item(row, column)).center();
}

void PhoneBookDriver::double_click(int row, int column) {
    QTest::mouseClick(table().viewport(), Qt::LeftButton, {}, centre(row, column));
    QTest::mouseDClick(table().viewport(), Qt::LeftButton, {}, centre(row, column));
}

QWidget* PhoneBookDriver::open_editor(int row, int column) {
    QTest::mouseClick(table().viewport(), Qt::LeftButton, {}, centre(row, column));
    QTest::keyClick(&table(), Qt::Key_F2);
    return QApplication::focusWidget();
}

void PhoneBookDriver::type_into(int row, int column, const QString& text, bool finish) {
    QWidget* editor = open_editor(row, column);
    // QTest knows keys for ASCII only: any other character comes as the text of a key it has no
    // key for, as an input method gives it.
    for (const QChar c : text) {
        if (c.unicode() < 128) {
            QTest::keyClick(editor, c.toLatin1());
        } else {
            QTest::sendKeyEvent(QTest::Click, editor, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
    if (finish) {
        QTest::keyClick(editor, Qt::Key_Return);
    }
}

void PhoneBookDriver::press(Qt::Key key, At at) {
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(at == At::Window || focus == nullptr ? window_ : focus, key);
}

QList<int> PhoneBookDriver::table_shape() const {
    const QTableWidget& grid = table();
    return {grid.columnCount(), grid.rowCount(), grid.columnWidth(0), grid.columnWidth(1),
            grid.rowHeight(grid.rowCount() - 1)};
}

bool PhoneBookDriver::vertical_bar_shown() const {
    return table().verticalScrollBar()->isVisible();
}

bool PhoneBookDriver::horizontal_bar_shown() const {
    return table().horizontalScrollBar()->isVisible();
}

int PhoneBookDriver::scrolled_rows() const {
    return table().verticalScrollBar()->value();
}

QList<PhoneBookDriver::Placement> PhoneBookDriver::placements(const QStringList& names) const {
    QList<Placement> found;
    for (const QString& name : names) {
        const QWidget& widget = control(name);
        found.append({name, widget.parentWidget()->objectName(), widget.geometry()});
    }
    return found;
}
