#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "app/TForm1.h"
#include "controls/SpeedButton.h"
#include "platform/Cp1251.h"
#include "platform/ErrorReport.h"
#include "platform/Files.h"
#include "settings/FileNames.h"
#include "settings/QuickList.h"

// The main window's number entry: the keypad, the number field and the quick-dial list of
// recently dialled numbers, with the list's file.

void TForm1::load_quick_list() {
    ListBox1->clear();
    // A file that cannot be read leaves no bytes: an empty list.
    platform::FileRead read = platform::read_whole_file(quick_list_path(work_dir, user_key));
    for (const std::string& entry : parse_quick_list(read.bytes)) {
        ListBox1->addItem(platform::fromCp1251(entry));
    }
    quick_list_on_disk_ = read.error ? std::nullopt : std::optional(std::move(read.bytes));
}

void TForm1::insert_to_list() {
    // Compared as the list file stores them: two texts that are one in Windows-1251 are one entry.
    const QString number = Comboedit2->text();
    const bool empty_list = ListBox1->count() == 0;
    if (!number.isEmpty() && (empty_list || platform::toCp1251(ListBox1->item(0)->text()) !=
                                                platform::toCp1251(number))) {
        ListBox1->insertItem(0, number);
    }
    if (ListBox1->count() > int(kQuickListMax)) {
        delete ListBox1->takeItem(int(kQuickListMax));
    }
}

void TForm1::RxSpeedButtonDigitClick(const SpeedButton* key) {
    Comboedit2->setText(Comboedit2->text() + QString::number(key->Tag));
}

void TForm1::RxSpeedButton10Click() {
    // One whole character, also one written with two UTF-16 units.
    QString text = Comboedit2->text();
    qsizetype cut = std::min<qsizetype>(1, text.size());
    if (text.size() >= 2 && text.back().isLowSurrogate() &&
        text[text.size() - 2].isHighSurrogate()) {
        cut = 2;
    }
    text.chop(cut);
    Comboedit2->setText(text);
}

void TForm1::BitBtn1Click() {
    list_shown = !list_shown;
    ListBox1->setVisible(list_shown);
}

void TForm1::ListBox1DblClick() {
    // Without a selected entry there is nothing to take.
    const QList<QListWidgetItem*> selected = ListBox1->selectedItems();
    if (selected.isEmpty()) {
        return;
    }
    list_shown = false;
    ComboEdit1->clear();
    Comboedit2->setText(selected.front()->text());
    ListBox1->hide();
    // The focus comes back to the number field, which selects all it holds: the next key would
    // replace the number instead of adding to it.
    Comboedit2->deselect();
    Comboedit2->end(false);
}

void TForm1::ListBox1MouseDown(Qt::MouseButton button) {
    if (button == Qt::RightButton) {
        ListBox1->hide();
        list_shown = false;
    }
}

void TForm1::save_quick_list() {
    std::vector<std::string> entries;
    entries.reserve(std::size_t(ListBox1->count()));
    for (int i = 0; i < ListBox1->count(); ++i) {
        entries.push_back(platform::toCp1251(ListBox1->item(i)->text()));
    }
    // A list that the file holds already is not written again: leaving then neither changes the
    // file nor fails where the file cannot be written.
    std::string bytes = format_quick_list(entries);
    if (bytes == quick_list_on_disk_) {
        return;
    }
    write_quick_list(quick_list_path(work_dir, user_key), entries);
    quick_list_on_disk_ = std::move(bytes);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    // From the keyboard: Enter takes the selected entry as a double click does, Escape hides the
    // list as the right button does.
    if (watched == ListBox1 && type == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            platform::guarded([this] { ListBox1DblClick(); });
            return true;
        }
        if (key == Qt::Key_Escape) {
            platform::guarded([this] { ListBox1MouseDown(Qt::RightButton); });
            return true;
        }
    }
    if (watched != ListBox1->viewport() ||
        (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
         type != QEvent::MouseButtonDblClick)) {
        return QWidget::eventFilter(watched, event);
    }
    const Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
    if (type == QEvent::MouseButtonDblClick) {
        platform::guarded([this] { ListBox1DblClick(); });
    } else if (type == QEvent::MouseButtonPress) {
        platform::guarded([this, button] { ListBox1MouseDown(button); });
    }
    // The right button only hides the list: it selects nothing.
    return (type != QEvent::MouseButtonDblClick && button == Qt::RightButton) ||
           QWidget::eventFilter(watched, event);
}
