#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTest>

#include "support/Controls.h"
#include "windows/TForm2.h"

class QTableWidget;

// Works the phone book as its user does: reads and types into cells, clicks rows, presses keys
// and the two buttons, which run the window's own click handlers.
class PhoneBookDriver {
  public:
    // Where a key goes: the widget with the focus (the cell's editor while one is open, else the
    // table), or the window itself.
    enum class At { Focus, Window };
    // A named control: its parent's name and its geometry there.
    struct Placement {
        QString name;
        QString parent;
        QRect geometry;
        bool operator==(const Placement&) const = default;
    };

    explicit PhoneBookDriver(TForm2& window) : window_(&window) {}
    TForm2& window() const { return *window_; }
    bool is_open() const { return window_->isVisible(); }
    // A control by its layout name, for what the desktop sees of it (accessibility).
    QWidget& control(const QString& name) const { return zvonmat_test::control_of(*window_, name); }

    // A row's cells as the table holds them (an edit still open is not in them yet), and the
    // current cell as (column, row).
    QString number(int row) const { return cell(row, 0); }
    QString name(int row) const { return cell(row, 1); }
    QPoint current() const;

    // Clicks a cell and then double-clicks it, as a user picks a row.
    void double_click(int row, int column = 0);
    // Opens the cell's editor (a click, then F2), types `text` and ends the edit with Enter
    // unless `finish` is false, which leaves the editor open.
    void type_into(int row, int column, const QString& text, bool finish = true);
    // Opens the cell's editor and double-clicks inside it.
    void double_click_in_editor(int row, int column) {
        QTest::mouseDClick(open_editor(row, column), Qt::LeftButton);
    }
    void press(Qt::Key key, At at = At::Focus);
    void press_save() { QTest::mouseClick(&control("GradButton2"), Qt::LeftButton); }  // «Запись»
    void press_exit() { QTest::mouseClick(&control("GradButton1"), Qt::LeftButton); }  // «Выход»
    QStringList tab_stops(int count) const { return zvonmat_test::tab_stops(*window_, count); }

    // The table's shape: its columns, rows, the two column widths and the last row's height.
    QList<int> table_shape() const;
    // Which scroll bars show, vertical and horizontal, and how far the table is scrolled down.
    bool vertical_bar_shown() const;
    bool horizontal_bar_shown() const;
    int scrolled_rows() const;
    QList<Placement> placements(const QStringList& names) const;

  private:
    QTableWidget& table() const;
    QString cell(int row, int column) const;
    QPoint centre(int row, int column) const;
    QWidget* open_editor(int row, int column);

    TForm2* window_;
};
