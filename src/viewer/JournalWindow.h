#pragma once

#include <QString>
#include <QWidget>

#include "viewer/JournalModel.h"

class QFileSystemWatcher;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QTableView;
class JournalPage;
class QTimer;

// The viewer's window: a filter field, the export button, the journal's table and a line of
// totals. It follows the file: the file system's change notices and, where those do not come (a
// file system without them), a poll every two seconds read what has been appended. A click on a
// column's header sorts by it. The table shows a page of the rows, which its own scroll bar, the
// wheel and the keys move through the journal. It never writes the journal.
class JournalWindow : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kPollMs = 2000;

    explicit JournalWindow(const QString& path, QWidget* parent = nullptr);
    ~JournalWindow() override;

    JournalModel& model() { return model_; }
    QLineEdit* filterEdit() const { return filter_; }
    QTableView* table() const { return table_; }
    // The journal's row the table's first row shows.
    int firstRow() const;
    QLabel* totalsLabel() const { return totals_; }
    QLabel* stateLabel() const { return state_; }

  public slots:
    // Reads what has changed in the file and shows it.
    void refresh();
    // Asks where to, and writes the rows shown there as CSV.
    void exportCsv();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void watch();
    void layOutPage();
    void rowsChanged();
    bool moveCurrent(int key);
    void showTotals();
    void spanDamagedRows();

    QString path_;
    JournalModel model_;
    QLineEdit* filter_;
    QPushButton* export_;
    QTableView* table_;
    JournalPage* page_;
    QScrollBar* scroll_;
    int screen_rows_ = 1;  // rows the table shows whole
    QLabel* totals_;
    QLabel* state_;
    QFileSystemWatcher* watcher_;
    QTimer* poll_;
};
