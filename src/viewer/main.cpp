#include <QApplication>
#include <QFile>
#include <QUrl>
#include <cstdio>
#include <cstring>
#include <optional>

#include "platform/gui/QtTranslation.h"
#include "viewer/JournalCsv.h"
#include "viewer/JournalWindow.h"

namespace {

constexpr const char* kUsage =
    "Использование: zvonmat-journal ФАЙЛ\n"
    "       zvonmat-journal --csv ВЫХОД.csv ФАЙЛ\n"
    "Показывает журнал звонков zvonmat (zvonmat<user>.jur) таблицей, новые звонки сверху,\n"
    "и дописывает в неё звонки, которые появляются в файле. Файл только читается.\n"
    "С --csv записывает журнал в ВЫХОД.csv (UTF-8, строка заголовков; «-» — на стандартный\n"
    "вывод) и выходит, ничего не показывая.\n";

int usage_error(const char* what) {
    std::fprintf(stderr, "zvonmat-journal: %s\n%s", what, kUsage);
    return 2;
}

bool is_help(const char* arg) {
    return std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0;
}

// A desktop may hand over a file:// address rather than a path.
QString journalPath(const QString& argument) {
    return argument.startsWith(QStringLiteral("file:")) ? QUrl(argument).toLocalFile() : argument;
}

// The one journal file among `args` (the arguments after the program's name), with `--csv OUT`
// taken out into `csv_out` where one is asked for; nothing once a usage error has been reported.
std::optional<QString> journalFileOf(const QStringList& args, QString* csv_out = nullptr) {
    QStringList files;
    bool options_end = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (!options_end && arg == u"--") {
            options_end = true;
        } else if (!options_end && csv_out && arg == u"--csv" && i + 1 < args.size()) {
            *csv_out = args[++i];
        } else if (!options_end && arg.startsWith(u'-')) {
            usage_error(QStringLiteral("неизвестный ключ %1").arg(arg).toLocal8Bit().constData());
            return std::nullopt;
        } else {
            files << arg;
        }
    }
    if (files.size() != 1) {
        usage_error(files.isEmpty() ? "не указан файл журнала" : "укажите один файл");
        return std::nullopt;
    }
    return journalPath(files.front());
}

// zvonmat-journal --csv OUT FILE: the journal as the window would show it at first, without a
// display.
int exportCsv(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        args << QString::fromLocal8Bit(argv[i]);
    }
    QString out;
    const std::optional<QString> path = journalFileOf(args, &out);
    if (!path) {
        return 2;
    }
    JournalModel model(QFile::encodeName(*path).toStdString());
    model.setBackgroundFrom(UINT64_MAX);  // read here, at once: nothing is shown meanwhile
    model.refresh();
    if (model.state() != JournalFollower::State::Readable) {
        std::fprintf(stderr, "zvonmat-journal: %s: %s\n", QFile::encodeName(*path).constData(),
                     model.error().message().c_str());
        return 1;
    }
    QString error;
    if (out == u"-") {
        QFile standard_output;
        if (!standard_output.open(stdout, QIODevice::WriteOnly)) {
            error = standard_output.errorString();
        } else {
            writeJournalCsv(model, standard_output);
        }
    } else {
        error = saveJournalCsv(model, out, *path);
    }
    if (!error.isEmpty()) {
        std::fprintf(stderr, "zvonmat-journal: %s: %s\n", out.toLocal8Bit().constData(),
                     error.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // The arguments are looked at before the toolkit starts, so that help, a missing file and
    // the export are answered without a display.
    bool any_file = false;
    bool csv = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) {
            any_file = any_file || i + 1 < argc;
            break;
        }
        if (is_help(argv[i])) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--csv") == 0) {
            if (i + 1 == argc) {
                return usage_error("после --csv укажите, куда писать");
            }
            csv = true;
            ++i;
            continue;
        }
        any_file = any_file || argv[i][0] != '-';
    }
    if (!any_file) {
        return usage_error("не указан файл журнала");
    }
    if (csv) {
        return exportCsv(argc, argv);
    }

    QApplication app(argc, argv);  // takes the toolkit's own options out of argv
    QApplication::setApplicationName(QStringLiteral("zvonmat-journal"));
    const std::optional<QString> path = journalFileOf(QApplication::arguments().mid(1));
    if (!path) {
        return 2;
    }

    const auto translation = platform::loadQtTranslation(QLocale::system());
    if (translation) {
        QApplication::installTranslator(translation.get());
    }
    JournalWindow window(*path);
    window.show();
    return QApplication::exec();
}
