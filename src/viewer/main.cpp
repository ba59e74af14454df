#include <QApplication>
#include <QUrl>
#include <cstdio>
#include <cstring>

#include "platform/gui/QtTranslation.h"
#include "viewer/JournalWindow.h"

namespace {

constexpr const char* kUsage =
    "Использование: zvonmat-journal ФАЙЛ\n"
    "Показывает журнал звонков zvonmat (zvonmat<user>.jur) таблицей, новые звонки сверху,\n"
    "и дописывает в неё звонки, которые появляются в файле. Файл только читается.\n";

int usage_error(const char* what) {
    std::fprintf(stderr, "zvonmat-journal: %s\n%s", what, kUsage);
    return 2;
}

bool is_help(const char* arg) {
    return std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0;
}

}  // namespace

int main(int argc, char** argv) {
    // The arguments are looked at before the toolkit starts, so that help and a missing file are
    // answered without a display.
    bool any_file = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) {
            any_file = any_file || i + 1 < argc;
            break;
        }
        if (is_help(argv[i])) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        any_file = any_file || argv[i][0] != '-';
    }
    if (!any_file) {
        return usage_error("не указан файл журнала");
    }

    QApplication app(argc, argv);  // takes the toolkit's own options out of argv
    QApplication::setApplicationName(QStringLiteral("zvonmat-journal"));
    QStringList files;
    bool options_end = false;
    for (const QString& arg : QApplication::arguments().mid(1)) {
        if (!options_end && arg == u"--") {
            options_end = true;
        } else if (!options_end && arg.startsWith(u'-')) {
            return usage_error(
                QStringLiteral("неизвестный ключ %1").arg(arg).toLocal8Bit().constData());
        } else {
            files << arg;
        }
    }
    if (files.size() != 1) {
        return usage_error(files.isEmpty() ? "не указан файл журнала" : "укажите один файл");
    }
    // A desktop may hand over a file:// address rather than a path.
    QString path = files.front();
    if (path.startsWith(QStringLiteral("file:"))) {
        path = QUrl(path).toLocalFile();
    }

    const auto translation = platform::loadQtTranslation(QLocale::system());
    if (translation) {
        QApplication::installTranslator(translation.get());
    }
    JournalWindow window(path);
    window.show();
    return QApplication::exec();
}
