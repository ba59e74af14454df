#include "windows/TForm2.h"

#include <QEvent>
#include <QFont>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScopeGuard>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "controls/FormLayout.h"
#include "controls/Gradbtns.h"
#include "controls/Label.h"
#include "controls/Panel.h"
#include "platform/Cp1251.h"
#include "platform/ErrorReport.h"
#include "platform/gui/Fonts.h"
#include "windows/PhoneBookFiles.h"

int TForm2::selected_row = 0;

namespace {

using namespace form_layout;

const QColor kRed{255, 0, 0};

constexpr int kRowHeight = 18;

// Texts are Windows-1251 bytes, one character each; the cut counts those.
QString first_chars(const QString& text, std::size_t count) {
    const std::string bytes = platform::toCp1251(text);
    return platform::fromCp1251(std::string_view(bytes).substr(0, count));
}

}  // namespace

// Knows the in-place editor that is open: the window hands a pending edit to its cell before
// reading the cell, and a double click on the editor counts as one on the table.
class TForm2::CellDelegate : public QStyledItemDelegate {
  public:
    CellDelegate(QObject* editor_filter, QObject* parent)
        : QStyledItemDelegate(parent), editor_filter_(editor_filter) {}

    QWidget* openEditor() const { return open_editor_; }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        editor->installEventFilter(editor_filter_);
        open_editor_ = editor;
        return editor;
    }

    // The editor's Escape would close it and take back what was typed; here it does nothing.
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            event->accept();
            return true;
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

    void destroyEditor(QWidget* editor, const QModelIndex& index) const override {
        if (editor == open_editor_) {
            open_editor_ = nullptr;
        }
        QStyledItemDelegate::destroyEditor(editor, index);
    }

  private:
    QObject* editor_filter_;
    mutable QPointer<QWidget> open_editor_;
};

TForm2::TForm2(QLineEdit* number_field, QLineEdit* name_field, std::string work_dir,
               std::string user_key, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      number_field_(number_field),
      name_field_(name_field),
      work_dir_(std::move(work_dir)),
      user_key_(std::move(user_key)) {
    setObjectName(QStringLiteral("Form2"));
    setModal(true);
    setFixedSize(kWidth, kHeight);
    setFont(layoutFont());
    createControls();
    platform::guarded([this] { FormCreate(); });
}

TForm2::~TForm2() = default;

void TForm2::createControls() {
    using Cut = Panel::BevelCut;

    Panel1 = makePanel(this, "Panel1", {0, 0, kWidth, kHeight}, kSilver, Cut::Lowered, Cut::Raised);
    Panel2 = makePanel(Panel1, "Panel2", {2, 2, 198, 18}, kGray, Cut::None, Cut::Lowered);
    Label1 = makeLabel(Panel2, "Label1", {8, 2, 48, 13}, QStringLiteral("Телефон"), kYellow,
                       layoutFont(kDefaultPixelSize, true));
    Label2 = makeLabel(Panel2, "Label2", {96, 2, 48, 13}, QStringLiteral("Абонент"), kYellow,
                       layoutFont(kDefaultPixelSize, true));

    StringGrid1 = new QTableWidget(RowCount, ColCount, Panel1);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setGeometry(2, 20, 198, 172);
    StringGrid1->setFrameShape(QFrame::NoFrame);
    StringGrid1->setFont(layoutFont(kDefaultPixelSize, true));
    QPalette palette = StringGrid1->palette();
    palette.setColor(QPalette::Base, Qt::black);
    palette.setColor(QPalette::Text, kRed);
    StringGrid1->setPalette(palette);
    for (QHeaderView* header : {StringGrid1->horizontalHeader(), StringGrid1->verticalHeader()}) {
        header->hide();
        header->setMinimumSectionSize(1);
        header->setSectionResizeMode(QHeaderView::Fixed);
    }
    StringGrid1->verticalHeader()->setDefaultSectionSize(kRowHeight);
    StringGrid1->setColumnWidth(0, 80);
    StringGrid1->setColumnWidth(1, 100);
    StringGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid1->setShowGrid(true);
    StringGrid1->setWordWrap(false);
    StringGrid1->setTextElideMode(Qt::ElideNone);
    StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    // A double click belongs to the hand-over, so it never starts an edit.
    StringGrid1->setEditTriggers(QAbstractItemView::EditKeyPressed |
                                 QAbstractItemView::AnyKeyPressed |
                                 QAbstractItemView::SelectedClicked);
    for (int row = 0; row < RowCount; ++row) {
        for (int column = 0; column < ColCount; ++column) {
            StringGrid1->setItem(row, column, new QTableWidgetItem);
        }
    }
    delegate_ = new CellDelegate(this, StringGrid1);
    StringGrid1->setItemDelegate(delegate_);

    Panel3 = makePanel(Panel1, "Panel3", {2, 192, 198, 38}, kGray, Cut::None, Cut::Lowered);
    GradButton2 =
        makeGradButton(Panel3, "GradButton2", {5, 4, 92, 30}, QStringLiteral("Запись"), kSilver);
    GradButton1 =
        makeGradButton(Panel3, "GradButton1", {104, 4, 89, 30}, QStringLiteral("Выход"), kSilver);

    // The program moves the current cell at every access; only the user's moves and clicks
    // (a click on the current cell too) select a row.
    connect(StringGrid1, &QTableWidget::currentCellChanged, this, [this](int row, int column) {
        if (!moving_ && row >= 0) {
            platform::guarded([&] { StringGrid1SelectCell(column, row); });
        }
    });
    connect(StringGrid1, &QTableWidget::cellPressed, this, [this](int row, int column) {
        platform::guarded([&] { StringGrid1SelectCell(column, row); });
    });
    StringGrid1->viewport()->installEventFilter(this);
    connect(GradButton2, &SpeedButton::clicked, this,
            platform::handler(this, &TForm2::GradButton2Click));
    connect(GradButton1, &SpeedButton::clicked, this,
            platform::handler(this, &TForm2::GradButton1Click));
    // Tab leaves the table for the two buttons (the arrows move between cells), and Space
    // presses the focused button.
    StringGrid1->setTabKeyNavigation(false);
    for (TGradButton* button : {GradButton2, GradButton1}) {
        button->setFocusPolicy(Qt::TabFocus);
    }
    setTabOrder(StringGrid1, GradButton2);
    setTabOrder(GradButton2, GradButton1);
    // The first cell is current from the start, so focusing the table selects nothing.
    make_current(0);
    StringGrid1->setFocus();
}

void TForm2::FormCreate() {
    const auto names = read_phone_book(phone_book_names_path(work_dir_, user_key_));
    if (!names) {
        return;
    }
    for (int row = 0; row < RowCount; ++row) {
        save_to_nr(row + RowCount, platform::fromCp1251((*names)[std::size_t(row)]));
    }
    const auto numbers = read_phone_book(phone_book_numbers_path(work_dir_, user_key_));
    if (!numbers) {
        return;
    }
    for (int row = 0; row < RowCount; ++row) {
        save_to_nr(row, platform::fromCp1251((*numbers)[std::size_t(row)]));
    }
}

void TForm2::make_current(int k) {
    if (k < 0 || k >= RowCount * ColCount) {
        throw std::out_of_range("Grid index out of range");
    }
    // Scrolling would follow every access to the last row read; the table stays where it is.
    const bool auto_scroll = StringGrid1->hasAutoScroll();
    moving_ = true;
    StringGrid1->setAutoScroll(false);
    const auto restore = qScopeGuard([&] {
        StringGrid1->setAutoScroll(auto_scroll);
        moving_ = false;
    });
    StringGrid1->setCurrentCell(k % RowCount, k / RowCount, QItemSelectionModel::ClearAndSelect);
}

QString TForm2::load_to_nr(int k) {
    // The cell shows what is being typed into it, even before the edit ends.
    if (QWidget* editor = delegate_->openEditor()) {
        emit delegate_->commitData(editor);
    }
    make_current(k);
    return StringGrid1->item(k % RowCount, k / RowCount)->text();
}

void TForm2::save_to_nr(int k, const QString& text) {
    make_current(k);
    StringGrid1->item(k % RowCount, k / RowCount)->setText(first_chars(text, kPhoneBookCellMax));
}

void TForm2::StringGrid1SelectCell(int /*ACol*/, int ARow) {
    selected_row = ARow;
}

void TForm2::StringGrid1DblClick() {
    const QString number = load_to_nr(selected_row);
    if (number_field_) {
        number_field_->setText(number);
    }
    const QString name = load_to_nr(selected_row + RowCount);
    if (name_field_) {
        name_field_->setText(name);
    }
    close();
}

void TForm2::GradButton2Click() {
    PhoneBookColumn names;
    for (int row = 0; row < RowCount; ++row) {
        names[std::size_t(row)] = platform::toCp1251(load_to_nr(row + RowCount));
    }
    PhoneBookColumn numbers;
    for (int row = 0; row < RowCount; ++row) {
        numbers[std::size_t(row)] = platform::toCp1251(load_to_nr(row));
    }
    write_phone_book_pair(phone_book_names_path(work_dir_, user_key_), names,
                          phone_book_numbers_path(work_dir_, user_key_), numbers);
}

void TForm2::GradButton1Click() {
    close();
}

void TForm2::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TForm2::eventFilter(QObject* watched, QEvent* event) {
    const QWidget* editor = delegate_->openEditor();
    const bool on_table = watched == StringGrid1->viewport() || (editor && watched == editor);
    if (on_table && event->type() == QEvent::MouseButtonDblClick) {
        platform::guarded([this] { StringGrid1DblClick(); });
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// The meta-object code of the classes declared in TForm2.h, compiled with this file.
#include "moc_TForm2.cpp"
