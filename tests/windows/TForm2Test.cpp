#include "windows/TForm2.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "support/Hooks.h"
#include "support/PhoneBookDriver.h"

namespace {

const QByteArray kEmpty = QByteArray("\r\n").repeated(50);
using At = PhoneBookDriver::At;

class TForm2Test : public testing::Test {
  protected:
    void SetUp() override {
        TForm2::selected_row = 0;
        // A Qt warning means the table was misused (say, an editor committed after it closed).
        old_handler_ = qInstallMessageHandler([](QtMsgType type, auto&, const QString& m) {
            EXPECT_LT(type, QtWarningMsg) << m.toStdString();
        });
    }
    void TearDown() override {
        form_.reset();
        qInstallMessageHandler(old_handler_);
    }

    QString path(const char* ext) const { return dir_.filePath(QStringLiteral("zvonmatk") + ext); }
    void write(const char* ext, const QByteArray& bytes) {
        QFile file(path(ext));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    QByteArray read(const char* ext) const {
        QFile file(path(ext));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : "(none)";
    }
    // A new phone book window on `work_dir` (the test's directory by default), shown and active.
    PhoneBookDriver open(const QString& work_dir = {}) {
        form_.reset();
        const QString dir = work_dir.isEmpty() ? dir_.path() : work_dir;
        form_ = std::make_unique<TForm2>(&number_, &name_, dir.toStdString(), "k");
        form_->show();
        form_->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form_.get()));
        return PhoneBookDriver(*form_);
    }

    zvonmat_test::ScopedHooks hooks_;
    QTemporaryDir dir_;
    QLineEdit number_, name_;
    std::unique_ptr<TForm2> form_;
    QtMessageHandler old_handler_ = nullptr;
};

TEST_F(TForm2Test, HasTheDesignedLayout) {
    PhoneBookDriver book = open();
    EXPECT_TRUE(book.window().size() == QSize(202, 232) &&
                book.window().windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(book.placements({"StringGrid1", "Panel3", "GradButton1"}),
              QList<PhoneBookDriver::Placement>({{"StringGrid1", "Panel1", {2, 20, 198, 172}},
                                                 {"Panel3", "Panel1", {2, 192, 198, 38}},
                                                 {"GradButton1", "Panel3", {104, 4, 89, 30}}}));
    EXPECT_EQ(book.table_shape(), QList<int>({2, 50, 80, 100, 18}));
    EXPECT_TRUE(book.vertical_bar_shown());
    EXPECT_FALSE(book.horizontal_bar_shown());
}

TEST_F(TForm2Test, LoadsNamesFirstCutsTo20AndSavesFiftyCrLfLines) {
    const QByteArray l25 = "1234567890123456789012345", c20 = l25.left(20);
    const QByteArray lf = l25 + "\n2\n", lf_saved = c20 + kEmpty + c20 + "\r\n2" + kEmpty.left(98);
    const struct {
        const char* name;
        QByteArray tf, fm;  // "-": no such file
        QStringList cells;  // numbers 0 and 1, name 0
        QPoint current;     // column, row
        QByteArray saved;   // both files
    } kRows[] = {
        {"no files", "-", "-", {"", "", ""}, {0, 0}, kEmpty + kEmpty},
        {"numbers without names", "-", "7\r\n", {"", "", ""}, {0, 0}, kEmpty + kEmpty},
        {"names only", "\xC8\xE2\r\n", "-", {"", "", "Ив"}, {1, 49}, "\xC8\xE2" + kEmpty + kEmpty},
        {"long, lf", l25, lf, {c20, "2", c20}, {0, 49}, lf_saved},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.name);
        for (auto [ext, bytes] : {std::pair{"._tf", row.tf}, std::pair{"._fm", row.fm}}) {
            QFile::remove(path(ext));
            if (bytes != "-") {
                write(ext, bytes);
            }
        }
        PhoneBookDriver book = open();
        EXPECT_EQ(QStringList({book.number(0), book.number(1), book.name(0)}), row.cells);
        EXPECT_EQ(book.current(), row.current);
        EXPECT_EQ(book.scrolled_rows(), 0);  // the table shows its top
        book.press_save();
        EXPECT_EQ(read("._tf") + read("._fm"), row.saved);
        EXPECT_EQ(book.current(), QPoint(0, 49));
        EXPECT_TRUE(book.is_open());
    }
    EXPECT_TRUE(hooks_.errors.isEmpty());
}

TEST_F(TForm2Test, EditsAreSavedWholeEvenUnfinishedAndCutWhenReopened) {
    PhoneBookDriver book = open();
    book.type_into(3, 1, QString(30, u'z'));
    book.type_into(0, 1, QString(30, u'z'), false);  // still being typed
    EXPECT_TRUE(book.is_open());
    book.press_save();
    const QByteArray saved = QByteArray(30, 'z') + "\r\n";
    EXPECT_EQ(read("._tf"), saved + kEmpty.left(4) + saved + kEmpty.left(92));

    PhoneBookDriver reopened = open();
    EXPECT_EQ(reopened.name(0) + reopened.name(3), QString(40, u'z'));
    reopened.double_click_in_editor(3, 1);  // as on its cell
    EXPECT_EQ(name_.text(), QString(20, u'z'));
    EXPECT_FALSE(reopened.is_open());
}

TEST_F(TForm2Test, EscapeNeitherClosesTheWindowNorTakesAnEditBack) {
    const struct {
        const char* name;
        bool end_edit;  // with Enter, before Escape
        At at;
    } kRows[] = {
        {"in the cell's editor", false, At::Focus},
        {"on the table", true, At::Focus},
        {"on the window", true, At::Window},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.name);
        PhoneBookDriver book = open();
        book.type_into(2, 1, "abc", row.end_edit);
        book.press(Qt::Key_Escape, row.at);
        EXPECT_TRUE(book.is_open());
        book.press_save();
        EXPECT_EQ(read("._tf"), kEmpty.left(4) + "abc" + kEmpty.left(96));
    }
}

TEST_F(TForm2Test, TabGoesFromTheTableToTheTwoButtons) {
    EXPECT_EQ(open().tab_stops(4),
              (QStringList{"StringGrid1", "GradButton2", "GradButton1", "StringGrid1"}));
}

TEST_F(TForm2Test, ADoubleClickHandsTheSelectedRowOverWhichOutlivesTheWindow) {
    const QByteArray tf = kEmpty.left(14) + "Petrov\r\n", fm = kEmpty.left(14) + "5551234\r\n";
    write("._tf", tf);
    write("._fm", fm);
    PhoneBookDriver book = open();
    book.double_click(7, 1);
    EXPECT_EQ(number_.text() + "|" + name_.text(), "5551234|Petrov");
    EXPECT_FALSE(book.is_open());
    EXPECT_EQ(read("._tf") + read("._fm"), tf + fm);

    number_.clear();
    open().window().StringGrid1DblClick();  // loading moved the current cell, not the selection
    EXPECT_EQ(number_.text(), "5551234");

    book = open();
    book.press(Qt::Key_Up);  // from row 49, the current cell
    EXPECT_EQ(TForm2::selected_row, 48);
    book.press_exit();
    EXPECT_FALSE(book.is_open());

    QFile::remove(path("._tf"));
    book = open();  // an empty table whose first cell is current: clicking that cell selects it too
    EXPECT_EQ(TForm2::selected_row, 48);
    book.double_click(0, 0);
    EXPECT_EQ(TForm2::selected_row, 0);
    EXPECT_EQ(number_.text() + name_.text(), "");
    EXPECT_EQ(read("._fm"), fm);
}

TEST_F(TForm2Test, ASaveThatFailsIsReportedAndLeavesTheNumbersFileAlone) {
    const struct {
        const char* name;
        QString work_dir;
        QString message;
    } kRows[] = {
        {"names file is a directory", dir_.path(), path("._tf") + ": Is a directory"},
        {"no directory", dir_.filePath("gone"),
         dir_.filePath("gone/zvonmatk._tf") + ": No such file or directory"},
    };
    QDir().mkdir(path("._tf"));
    write("._fm", "old\r\n");
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.name);
        hooks_.errors.clear();
        PhoneBookDriver book = open(row.work_dir);
        book.press_save();
        EXPECT_EQ(hooks_.errors, QStringList("Cannot create file " + row.message));
        EXPECT_TRUE(book.is_open());
        EXPECT_EQ(read("._fm"), "old\r\n");
    }
}

}  // namespace
