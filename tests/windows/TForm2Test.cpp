#include "windows/TForm2.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "controls/Gradbtns.h"
#include "platform/ErrorReport.h"

namespace {

const QByteArray kEmpty = QByteArray("\r\n").repeated(50);

class TForm2Test : public testing::Test {
  protected:
    void SetUp() override {
        TForm2::selected_row = 0;
        old_reporter_ = platform::set_error_reporter([this](const QString& m) { errors_ << m; });
        // A Qt warning means the table was misused (say, an editor committed after it closed).
        old_handler_ = qInstallMessageHandler([](QtMsgType type, auto&, const QString& m) {
            EXPECT_LT(type, QtWarningMsg) << m.toStdString();
        });
    }
    void TearDown() override {
        form_.reset();
        platform::set_error_reporter(old_reporter_);
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
    TForm2& open(const QString& work_dir = {}) {
        form_.reset();
        const QString dir = work_dir.isEmpty() ? dir_.path() : work_dir;
        form_ = std::make_unique<TForm2>(&number_, &name_, dir.toStdString(), "k");
        form_->show();
        form_->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form_.get()));
        return *form_;
    }
    QString cell(int row, int column) const { return grid()->item(row, column)->text(); }
    QPoint current() const { return {grid()->currentColumn(), grid()->currentRow()}; }
    QTableWidget* grid() const { return form_->StringGrid1; }
    void clickCell(int row, int column, bool twice = false) {
        const QPoint at = grid()->visualItemRect(grid()->item(row, column)).center();
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, at);
        if (twice) {
            QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {}, at);
        }
    }
    // Opens the cell's in-place editor and returns it.
    QWidget* startEdit(int row, int column) {
        clickCell(row, column);
        QTest::keyClick(grid(), Qt::Key_F2);
        return QApplication::focusWidget();
    }
    void click(SpeedButton* button) { QTest::mouseClick(button, Qt::LeftButton, {}, {9, 9}); }

    QTemporaryDir dir_;
    QLineEdit number_, name_;
    std::unique_ptr<TForm2> form_;
    platform::ErrorReporter old_reporter_;
    QtMessageHandler old_handler_ = nullptr;
    QStringList errors_;
};

TEST_F(TForm2Test, HasTheDesignedLayout) {
    TForm2& form = open();
    EXPECT_TRUE(form.size() == QSize(202, 232) && form.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(grid()->geometry(), QRect(2, 20, 198, 172));
    EXPECT_EQ(QList<int>({grid()->columnCount(), grid()->rowCount(), grid()->columnWidth(0),
                          grid()->columnWidth(1), grid()->rowHeight(49)}),
              QList<int>({2, 50, 80, 100, 18}));
    EXPECT_TRUE(grid()->verticalScrollBar()->isVisible());
    EXPECT_FALSE(grid()->horizontalScrollBar()->isVisible());
    EXPECT_EQ(form.GradButton1->mapTo(&form, QPoint()), QPoint(106, 196));
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
        TForm2& form = open();
        EXPECT_EQ(QStringList({cell(0, 0), cell(1, 0), cell(0, 1)}), row.cells);
        EXPECT_EQ(current(), row.current);
        EXPECT_EQ(grid()->verticalScrollBar()->value(), 0);  // the table shows its top
        click(form.GradButton2);
        EXPECT_EQ(read("._tf") + read("._fm"), row.saved);
        EXPECT_EQ(current(), QPoint(0, 49));
        EXPECT_TRUE(form.isVisible());
    }
    EXPECT_TRUE(errors_.isEmpty());
}

TEST_F(TForm2Test, EditsAreSavedWholeEvenUnfinishedAndCutWhenReopened) {
    TForm2& form = open();
    for (int row : {3, 0}) {  // row 3's edit ends with Enter, row 0's is still open
        QWidget* editor = startEdit(row, 1);
        QTest::keyClicks(editor, QString(30, u'z'));
        if (row == 3) {
            QTest::keyClick(editor, Qt::Key_Return);
        }
    }
    EXPECT_TRUE(form.isVisible());
    click(form.GradButton2);
    const QByteArray saved = QByteArray(30, 'z') + "\r\n";
    EXPECT_EQ(read("._tf"), saved + kEmpty.left(4) + saved + kEmpty.left(92));

    TForm2& reopened = open();
    EXPECT_EQ(cell(0, 1) + cell(3, 1), QString(40, u'z'));
    QTest::mouseDClick(startEdit(3, 1), Qt::LeftButton);  // on the editor, as on its cell
    EXPECT_EQ(name_.text(), QString(20, u'z'));
    EXPECT_FALSE(reopened.isVisible());
}

TEST_F(TForm2Test, EscapeNeitherClosesTheWindowNorTakesAnEditBack) {
    const struct {
        const char* name;
        bool end_edit;  // with Enter, before Escape
        QWidget* (*target)(TForm2&, QWidget* editor);
    } kRows[] = {
        {"in the cell's editor", false, [](TForm2&, QWidget* editor) { return editor; }},
        {"on the table", true, [](TForm2& f, QWidget*) -> QWidget* { return f.StringGrid1; }},
        {"on the window", true, [](TForm2& f, QWidget*) -> QWidget* { return &f; }},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.name);
        TForm2& form = open();
        QWidget* editor = startEdit(2, 1);
        QTest::keyClicks(editor, "abc");
        if (row.end_edit) {
            QTest::keyClick(editor, Qt::Key_Return);
        }
        QTest::keyClick(row.target(form, editor), Qt::Key_Escape);
        EXPECT_TRUE(form.isVisible());
        click(form.GradButton2);
        EXPECT_EQ(read("._tf"), kEmpty.left(4) + "abc" + kEmpty.left(96));
    }
}

TEST_F(TForm2Test, ADoubleClickHandsTheSelectedRowOverWhichOutlivesTheWindow) {
    const QByteArray tf = kEmpty.left(14) + "Petrov\r\n", fm = kEmpty.left(14) + "5551234\r\n";
    write("._tf", tf);
    write("._fm", fm);
    TForm2* form = &open();
    clickCell(7, 1, true);
    EXPECT_EQ(number_.text() + "|" + name_.text(), "5551234|Petrov");
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(read("._tf") + read("._fm"), tf + fm);

    number_.clear();
    open().StringGrid1DblClick();  // loading moved the current cell, not the selection
    EXPECT_EQ(number_.text(), "5551234");

    form = &open();
    QTest::keyClick(grid(), Qt::Key_Up);  // from row 49, the current cell
    EXPECT_EQ(TForm2::selected_row, 48);
    click(form->GradButton1);
    EXPECT_FALSE(form->isVisible());

    QFile::remove(path("._tf"));
    open();  // an empty table whose first cell is current: clicking that cell selects it too
    EXPECT_EQ(TForm2::selected_row, 48);
    clickCell(0, 0, true);
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
        errors_.clear();
        TForm2& form = open(row.work_dir);
        click(form.GradButton2);
        EXPECT_EQ(errors_, QStringList("Cannot create file " + row.message));
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(read("._fm"), "old\r\n");
    }
}

}  // namespace
