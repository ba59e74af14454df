#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>
#include <string>

class QEvent;
class QKeyEvent;
class QLineEdit;
class QTableWidget;
class TGradButton;
class Label;
class Panel;

// The phone book: a small borderless modal window with a table of 50 rows, a telephone number
// and a subscriber name each, edited in place. It is created anew at each opening and loads
// both phone book files then; "Запись" writes them, a double click hands the row last selected
// to the main window's two entry fields and closes. Nothing of it outlives one opening but
// selected_row.
//
// Every cell access goes through load_to_nr and save_to_nr, which address a cell by one index k:
// column k / 50, row k % 50 (so row r's number is at r and its name at r + 50), and make that
// cell the current one, without scrolling the table and without counting as the user's choice.
class TForm2 : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kWidth = 202;
    static constexpr int kHeight = 232;
    static constexpr int RowCount = 50;
    static constexpr int ColCount = 2;

    // Loads the phone book files of work_dir and user_key (a Windows-1251 text). A double click
    // writes the row into number_field (the main window's Comboedit2) and name_field (its
    // ComboEdit1).
    TForm2(QLineEdit* number_field, QLineEdit* name_field, std::string work_dir,
           std::string user_key, QWidget* parent = nullptr);
    ~TForm2() override;

    // The row the user selected most recently, by mouse or keyboard, in any phone book window
    // of this run; 0 until then. Only StringGrid1SelectCell writes it (and tests, to start over).
    static int selected_row;

    // The text of cell k, an edit in progress included; makes it the current cell.
    QString load_to_nr(int k);
    // Stores the first 20 characters of `text` in cell k and makes it the current cell.
    void save_to_nr(int k, const QString& text);

    void StringGrid1SelectCell(int ACol, int ARow);
    void StringGrid1DblClick();
    // Writes the names file, then the numbers file; throws platform::Error when one cannot be
    // written, leaving the window open and the files not yet reached as they were.
    void GradButton2Click();
    void GradButton1Click();

  protected:
    // Escape is bound to nothing: it never closes the window (which would drop unsaved rows)
    // nor takes back what is being typed into a cell.
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Controls, named as in the layout.
    Panel* Panel1;
    Panel* Panel2;
    Label* Label1;
    Label* Label2;
    QTableWidget* StringGrid1;
    Panel* Panel3;
    TGradButton* GradButton2;
    TGradButton* GradButton1;

    void createControls();
    void FormCreate();
    void make_current(int k);

    QPointer<QLineEdit> number_field_;
    QPointer<QLineEdit> name_field_;
    std::string work_dir_;
    std::string user_key_;
    class CellDelegate;
    CellDelegate* delegate_;
    bool moving_ = false;  // the program, not the user, is moving the current cell
};
