#include "support/PhoneBookDriver.h"

#include <QApplication>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>
#include <stdexcept>

#include "windows/TForm2.h"

PhoneBookDriver::PhoneBookDriver(TForm2& window) : window_(&window) {}

PhoneBookDriver PhoneBookDriver::active() {
    auto* window = qobject_cast<TForm2*>(QApplication::activeModalWidget());
    if (window == nullptr) {
        throw std::runtime_error("the phone book is not the active modal window");
    }
    return PhoneBookDriver(*window);
}

bool PhoneBookDriver::is_open() const {
    return window_->isVisible();
}

QWidget* PhoneBookDriver::control(const QString& name) const {
    auto* found = window_->findChild<QWidget*>(name);
    if (found == nullptr) {
        throw std::runtime_error("the phone book has no control " + name.toStdString());
    }
    return found;
}

QTableWidget* PhoneBookDriver::table() const {
    return qobject_cast<QTableWidget*>(control(QStringLiteral("StringGrid1")));
}

QString PhoneBookDriver::cell(int row, int column) const {
    return table()->item(row, column)->text();
}

QPoint PhoneBookDriver::current() const {
    return {table()->currentColumn(), table()->currentRow()};
}

void PhoneBookDriver::select(int row, int column) {
    QTableWidget* grid = table();
    const QPoint at = grid->visualItemRect(grid->item(row, column)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
}

void PhoneBookDriver::double_click(int row, int column) {
    select(row, column);
    QTableWidget* grid = table();
    const QPoint at = grid->visualItemRect(grid->item(row, column)).center();
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
}

QWidget* PhoneBookDriver::open_editor(int row, int column) {
    select(row, column);
    QTest::keyClick(table(), Qt::Key_F2);
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

void PhoneBookDriver::double_click_in_editor(int row, int column) {
    QTest::mouseDClick(open_editor(row, column), Qt::LeftButton);
}

void PhoneBookDriver::press(Qt::Key key, At at) {
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(at == At::Window || focus == nullptr ? window_ : focus, key);
}

void PhoneBookDriver::click(const QString& button) {
    QWidget* widget = control(button);
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

void PhoneBookDriver::press_save() {
    click(QStringLiteral("GradButton2"));
}

void PhoneBookDriver::press_exit() {
    click(QStringLiteral("GradButton1"));
}

QList<int> PhoneBookDriver::table_shape() const {
    const QTableWidget* grid = table();
    return {grid->columnCount(), grid->rowCount(), grid->columnWidth(0), grid->columnWidth(1),
            grid->rowHeight(grid->rowCount() - 1)};
}

bool PhoneBookDriver::vertical_bar_shown() const {
    return table()->verticalScrollBar()->isVisible();
}

bool PhoneBookDriver::horizontal_bar_shown() const {
    return table()->horizontalScrollBar()->isVisible();
}

int PhoneBookDriver::scrolled_rows() const {
    return table()->verticalScrollBar()->value();
}

QList<PhoneBookDriver::Placement> PhoneBookDriver::placements(const QStringList& names) const {
    QList<Placement> found;
    for (const QString& name : names) {
        const QWidget* widget = control(name);
        found.append({name, widget->parentWidget()->objectName(), widget->geometry()});
    }
    return found;
}
