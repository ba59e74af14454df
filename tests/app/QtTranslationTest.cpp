#include "platform/gui/QtTranslation.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "platform/gui/WidgetReports.h"
#include "support/FormFixture.h"
#include "windows/TForm3.h"

namespace {

using zvonmat_test::FormTest;

struct LocaleRow {
    const char* name;
    QLocale locale;
    bool loads;
    QString cancel;  // a standard button's text under it
};

class QtTranslationRows : public ::testing::TestWithParam<LocaleRow> {};

TEST_P(QtTranslationRows, StandardButtonsSpeakTheLocalesLanguageOnlyForRussian) {
    const auto translation = platform::loadQtTranslation(GetParam().locale);
    ASSERT_EQ(translation != nullptr, GetParam().loads)
        << "is qt6-translations-l10n installed (scripts/deps)?";
    if (translation) {
        QApplication::installTranslator(translation.get());
    }
    QDialogButtonBox box(QDialogButtonBox::Cancel);
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), GetParam().cancel);
    // Going away, the translation takes its texts with it.
}

INSTANTIATE_TEST_SUITE_P(
    Rows, QtTranslationRows,
    ::testing::Values(
        LocaleRow{"Russian", QLocale(QLocale::Russian, QLocale::Russia), true, u"Отмена"_qs},
        LocaleRow{"RussianInUkraine", QLocale(QLocale::Russian, QLocale::Ukraine), true,
                  u"Отмена"_qs},
        LocaleRow{"English", QLocale(QLocale::English, QLocale::UnitedStates), false, u"Cancel"_qs},
        LocaleRow{"German", QLocale(QLocale::German, QLocale::Germany), false, u"Cancel"_qs},
        LocaleRow{"C", QLocale::c(), false, u"Cancel"_qs}),
    [](const auto& info) { return std::string(info.param.name); });

// Everything a window shows in text: its title and its controls' texts, drawn captions included
// (the gradient buttons paint theirs, so the picture says it too).
QStringList textsOf(const QWidget& window) {
    QStringList texts{window.windowTitle()};
    for (const zvonmat_test::Control& control : zvonmat_test::controls_of(window)) {
        texts << control.text;
    }
    return texts;
}

// The texts the program fixes itself, under Qt's Russian translation, are what they are without:
// the main window's and the settings dialog's (their texts and their pictures), and the buttons
// of the question the program asks in a message box.
TEST_F(FormTest, TheProgramsOwnTextsStayAsTheyAreUnderTheTranslation) {
    struct Look {
        QStringList main, settings, question;
        QImage main_picture, settings_picture;
    };
    const auto look = [this] {
        Look seen;
        TForm1& form = create().window();
        form.show();
        seen.main = textsOf(form);
        seen.main_picture = form.grab().toImage();
        TSettings settings;
        TForm3 dialog(settings, [] {});
        seen.settings = textsOf(dialog);
        seen.settings_picture = dialog.grab().toImage();
        driver_.reset();
        form_.reset();

        QTimer::singleShot(100, [&seen] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                for (QAbstractButton* button : box->buttons()) {
                    seen.question << button->text();
                }
                box->reject();
            }
        });
        const zvonmat_test::ScopedHooks widget_reports;
        platform::install_widget_reports();
        platform::ask_yes_no(u"Список номеров не сохранён. Выйти без сохранения?"_qs);
        return seen;
    };
    const Look plain = look();
    const auto translation = platform::loadQtTranslation(QLocale(QLocale::Russian));
    ASSERT_NE(translation, nullptr);
    QApplication::installTranslator(translation.get());
    const Look translated = look();
    QApplication::removeTranslator(translation.get());

    EXPECT_TRUE(plain.main.contains(u"Автодозвон"_qs)) << plain.main.join(u',').toStdString();
    EXPECT_EQ(translated.main, plain.main);
    EXPECT_EQ(translated.main_picture, plain.main_picture);
    EXPECT_TRUE(plain.settings.contains(u"ОК"_qs)) << plain.settings.join(u',').toStdString();
    EXPECT_EQ(translated.settings, plain.settings);
    EXPECT_EQ(translated.settings_picture, plain.settings_picture);
    EXPECT_EQ(plain.question, (QStringList{u"Да"_qs, u"Нет"_qs}));
    EXPECT_EQ(translated.question, plain.question);
    EXPECT_TRUE(hooks.errors.isEmpty()) << hooks.errors.join(u'\n').toStdString();
}

}  // namespace
