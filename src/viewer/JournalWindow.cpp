#include "viewer/JournalWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "viewer/JournalCsv.h"
#include "viewer/JournalPage.h"

JournalWindow::JournalWindow(const QString& path, QWidget* parent)
    : QWidget(parent),
      path_(QFileInfo(path).absoluteFilePath()),
      model_(QFile::encodeName(path_).toStdString()),
      filter_(new QLineEdit(this)),
      export_(new QPushButton(QStringLiteral("Экспорт в CSV…"), this)),
      table_(new QTableView(this)),
      page_(new JournalPage(model_, this)),
      scroll_(new QScrollBar(Qt::Vertical, this)),
      totals_(new QLabel(this)),
      state_(new QLabel(this)),
      watcher_(new QFileSystemWatcher(this)),
      poll_(new QTimer(this)) {
    setObjectName(QStringLiteral("JournalWindow"));
    setWindowTitle(QStringLiteral("Журнал — %1").arg(QFileInfo(path_).fileName()));
    resize(660, 420);

    filter_->setObjectName(QStringLiteral("filter"));
    filter_->setPlaceholderText(QStringLiteral("Фильтр: номер или абонент"));
    filter_->setClearButtonEnabled(true);
    connect(filter_, &QLineEdit::textChanged, this, [this](const QString& text) {
        model_.setFilter(text.trimmed());
        scroll_->setValue(0);  // the first rows that match
    });
    export_->setObjectName(QStringLiteral("export"));
    connect(export_, &QPushButton::clicked, this, &JournalWindow::exportCsv);

    table_->setModel(page_);
    table_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setObjectName(QStringLiteral("rows"));
    connect(scroll_, &QScrollBar::valueChanged, this, [this](int first) {
        page_->show(first, screen_rows_ + 1);
        spanDamagedRows();
    });
    table_->installEventFilter(this);
    table_->viewport()->installEventFilter(this);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setAlternatingRowColors(true);
    table_->setWordWrap(false);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    QHeaderView* header = table_->horizontalHeader();
    header->setHighlightSections(false);
    // Widths for the usual contents, so that rows arriving later do not shift the columns.
    const QFontMetrics metrics = table_->fontMetrics();
    const auto width = [&](const QString& sample) {
        return metrics.horizontalAdvance(sample) + 24;
    };
    header->resizeSection(JournalModel::Date, width(QStringLiteral("00.00.0000")));
    header->resizeSection(JournalModel::Number, width(QStringLiteral("0000000000000")));
    header->resizeSection(JournalModel::Time, width(QStringLiteral("00:00:00")));
    header->resizeSection(JournalModel::Duration, width(QStringLiteral("Длительность")));
    header->setSectionResizeMode(JournalModel::Subscriber, QHeaderView::Stretch);
    // A click on a header sorts by its column; at first the rows stand in the file's order.
    header->setSortIndicator(-1, Qt::AscendingOrder);
    header->setSortIndicatorShown(true);
    table_->setSortingEnabled(true);
    connect(header, &QHeaderView::sortIndicatorChanged, scroll_, [this] { scroll_->setValue(0); });

    connect(&model_, &JournalModel::totalsChanged, this, &JournalWindow::showTotals);
    connect(&model_, &QAbstractItemModel::modelReset, this, &JournalWindow::rowsChanged);
    connect(&model_, &QAbstractItemModel::rowsInserted, this, &JournalWindow::rowsChanged);
    connect(&model_, &QAbstractItemModel::rowsRemoved, this, &JournalWindow::rowsChanged);

    totals_->setObjectName(QStringLiteral("totals"));
    state_->setObjectName(QStringLiteral("state"));
    state_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(totals_, 1);
    bottom->addWidget(state_);
    auto* top = new QHBoxLayout;
    top->addWidget(filter_, 1);
    top->addWidget(export_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    auto* middle = new QHBoxLayout;
    middle->setSpacing(0);
    middle->addWidget(table_, 1);
    middle->addWidget(scroll_);
    layout->addLayout(middle, 1);
    layout->addLayout(bottom);

    for (const QKeySequence& keys :
         {QKeySequence(QKeySequence::Close), QKeySequence(QKeySequence::Quit)}) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &QWidget::close);
    }
    connect(new QShortcut(QKeySequence(QKeySequence::Find), this), &QShortcut::activated, filter_,
            [this] { filter_->setFocus(); });

    connect(watcher_, &QFileSystemWatcher::fileChanged, this, &JournalWindow::refresh);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, &JournalWindow::refresh);
    poll_->setInterval(kPollMs);
    connect(poll_, &QTimer::timeout, this, &JournalWindow::refresh);
    poll_->start();
    refresh();
}

JournalWindow::~JournalWindow() {
    // The table and its page read the model: they go before it does, and the table's last
    // events are its own.
    table_->viewport()->removeEventFilter(this);
    table_->removeEventFilter(this);
    delete table_;
    delete page_;
}

void JournalWindow::watch() {
    // A file that is replaced, removed or created anew drops out of the watch; its directory
    // tells of those. A directory that does not exist is left to the poll.
    const QString dir = QFileInfo(path_).absolutePath();
    if (!watcher_->directories().contains(dir) && QFileInfo(dir).isDir()) {
        watcher_->addPath(dir);
    }
    if (model_.state() == JournalFollower::State::Readable && !watcher_->files().contains(path_)) {
        watcher_->addPath(path_);
    }
}

void JournalWindow::refresh() {
    model_.refresh();
    watch();
    showTotals();
    switch (model_.state()) {
        case JournalFollower::State::Missing:
            state_->setText(QStringLiteral("Файла ещё нет"));
            break;
        case JournalFollower::State::Unreadable:
            state_->setText(QStringLiteral("Не читается: %1")
                                .arg(QString::fromStdString(model_.error().message())));
            break;
        case JournalFollower::State::Readable:
            state_->clear();
            break;
    }
}

void JournalWindow::showTotals() {
    const JournalModel::Totals totals = model_.totals();
    QString text = QStringLiteral("Звонков: %1, общая длительность: %2")
                       .arg(totals.calls)
                       .arg(totalDurationText(totals.seconds));
    if (totals.damaged > 0) {
        text += QStringLiteral("; нераспознанных строк: %1").arg(totals.damaged);
    }
    if (model_.busy()) {
        text += QStringLiteral(" (подсчёт…)");
    }
    totals_->setText(text);
    // What is written is what is shown: the rows are all there first.
    export_->setEnabled(!model_.busy());
}

void JournalWindow::exportCsv() {
    const QFileInfo journal(path_);
    const QString target = QFileDialog::getSaveFileName(
        this, QStringLiteral("Экспорт в CSV"),
        journal.absoluteDir().filePath(journal.completeBaseName() + QStringLiteral(".csv")),
        QStringLiteral("CSV (*.csv)"));
    if (target.isEmpty()) {
        return;
    }
    const QString error = saveJournalCsv(model_, target, path_);
    if (!error.isEmpty()) {
        QMessageBox::warning(this, QStringLiteral("Экспорт в CSV"),
                             QStringLiteral("Не удалось записать %1: %2")
                                 .arg(QDir::toNativeSeparators(target), error));
    }
}

void JournalWindow::spanDamagedRows() {
    // A damaged line is kept whole in the first column; it runs across the whole row.
    table_->clearSpans();
    for (int row = 0; row < page_->rowCount(); ++row) {
        if (model_.isDamaged(page_->first() + row)) {
            table_->setSpan(row, 0, 1, JournalModel::ColumnCount);
        }
    }
}

int JournalWindow::firstRow() const {
    return page_->first();
}

void JournalWindow::rowsChanged() {
    // The scroll bar runs over the journal's rows; its value is the page's first row.
    const int last_first = std::max(model_.rowCount() - screen_rows_, 0);
    const QSignalBlocker quiet(scroll_);
    scroll_->setRange(0, last_first);
    scroll_->setPageStep(std::max(screen_rows_ - 1, 1));
    page_->show(scroll_->value(), screen_rows_ + 1);
    spanDamagedRows();
}

void JournalWindow::layOutPage() {
    const int row_height = std::max(table_->verticalHeader()->defaultSectionSize(), 1);
    screen_rows_ = std::max(table_->viewport()->height() / row_height, 1);
    rowsChanged();
}

bool JournalWindow::moveCurrent(int key) {
    const int rows = model_.rowCount();
    if (rows == 0) {
        return false;
    }
    const QModelIndex current = table_->currentIndex();
    int row = current.isValid() ? page_->first() + current.row() : page_->first() - 1;
    switch (key) {
        case Qt::Key_Up:
            --row;
            break;
        case Qt::Key_Down:
            ++row;
            break;
        case Qt::Key_PageUp:
            row -= scroll_->pageStep();
            break;
        case Qt::Key_PageDown:
            row += scroll_->pageStep();
            break;
        case Qt::Key_Home:
            row = 0;
            break;
        case Qt::Key_End:
            row = rows - 1;
            break;
        default:
            return false;
    }
    row = std::clamp(row, 0, rows - 1);
    if (row < page_->first()) {
        scroll_->setValue(row);
    } else if (row >= page_->first() + screen_rows_) {
        scroll_->setValue(row - screen_rows_ + 1);
    }
    table_->selectionModel()->setCurrentIndex(
        page_->index(row - page_->first(), std::max(current.column(), 0)),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    return true;
}

bool JournalWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == table_->viewport()) {
        if (event->type() == QEvent::Resize) {
            layOutPage();
        } else if (event->type() == QEvent::Wheel) {
            QCoreApplication::sendEvent(scroll_, event);
            return true;
        }
    } else if (watched == table_ && event->type() == QEvent::KeyPress) {
        return moveCurrent(static_cast<QKeyEvent*>(event)->key());
    }
    return QWidget::eventFilter(watched, event);
}
