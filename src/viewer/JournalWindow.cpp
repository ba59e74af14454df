#include "viewer/JournalWindow.h"

#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

JournalWindow::JournalWindow(const QString& path, QWidget* parent)
    : QWidget(parent),
      path_(QFileInfo(path).absoluteFilePath()),
      follower_(QFile::encodeName(path_).toStdString()),
      filter_(new QLineEdit(this)),
      table_(new QTableView(this)),
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
        spanDamagedRows();
        showTotals();
    });

    table_->setModel(&model_);
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

    totals_->setObjectName(QStringLiteral("totals"));
    state_->setObjectName(QStringLiteral("state"));
    state_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(totals_, 1);
    bottom->addWidget(state_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(filter_);
    layout->addWidget(table_, 1);
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

void JournalWindow::watch() {
    // A file that is replaced, removed or created anew drops out of the watch; its directory
    // tells of those. A directory that does not exist is left to the poll.
    const QString dir = QFileInfo(path_).absolutePath();
    if (!watcher_->directories().contains(dir) && QFileInfo(dir).isDir()) {
        watcher_->addPath(dir);
    }
    if (follower_.state() == JournalFollower::State::Readable &&
        !watcher_->files().contains(path_)) {
        watcher_->addPath(path_);
    }
}

void JournalWindow::refresh() {
    const JournalFollower::Update update = follower_.poll();
    if (!update.empty()) {
        model_.apply(update);
        spanDamagedRows();
    }
    watch();
    showTotals();
    switch (follower_.state()) {
        case JournalFollower::State::Missing:
            state_->setText(QStringLiteral("Файла ещё нет"));
            break;
        case JournalFollower::State::Unreadable:
            state_->setText(QStringLiteral("Не читается: %1")
                                .arg(QString::fromStdString(follower_.error().message())));
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
    totals_->setText(text);
}

void JournalWindow::spanDamagedRows() {
    // A damaged line is kept whole in the first column; it runs across the whole row.
    table_->clearSpans();
    for (int row : model_.damagedRows()) {
        table_->setSpan(row, 0, 1, JournalModel::ColumnCount);
    }
}
