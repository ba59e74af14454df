#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <Qt>

class QTableWidget;
class QWidget;
class TForm2;

// Works the phone book as its user does: reads and types into cells, clicks rows, presses keys
// and the two buttons. Controls are found by their layout names; the buttons run the window's
// own click handlers through a mouse click.
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

    explicit PhoneBookDriver(TForm2& window);
    // The phone book that is the active modal window; throws std::runtime_error when there is none.
    static PhoneBookDriver active();

    TForm2& window() const { return *window_; }
    bool is_open() const;

    // The text of a cell as the table holds it (an edit still open is not in it yet).
    QString cell(int row, int column) const;
    QString number(int row) const { return cell(row, 0); }
    QString name(int row) const { return cell(row, 1); }
    // The current cell, as (column, row).
    QPoint current() const;

    // Clicks a cell, which selects its row.
    void select(int row, int column = 0);
    // Clicks a cell and then double-clicks it, as a user picks a row.
    void double_click(int row, int column = 0);
    // Opens the cell's editor (a click, then F2), types `text` and ends the edit with Enter
    // unless `finish` is false, which leaves the editor open.
    void type_into(int row, int column, const QString& text, bool finish = true);
    // Opens the cell's editor and double-clicks inside it.
    void double_click_in_editor(int row, int column);
    void press(Qt::Key key, At at = At::Focus);
    void press_escape(At at = At::Focus) { press(Qt::Key_Escape, at); }
    void press_save();  // "Запись"
    void press_exit();  // "Выход"

    // The table's shape: its columns, rows, the two column widths and the last row's height.
    QList<int> table_shape() const;
    // Which scroll bars show, vertical and horizontal, and how far the table is scrolled down.
    bool vertical_bar_shown() const;
    bool horizontal_bar_shown() const;
    int scrolled_rows() const;
    // Where the named controls are.
    QList<Placement> placements(const QStringList& names) const;
    // A control by its layout name, for what the desktop sees of it (accessibility).
    QWidget* control(const QString& name) const;

  private:
    QTableWidget* table() const;
    QWidget* open_editor(int row, int column);
    void click(const QString& button);

    TForm2* window_;
};
