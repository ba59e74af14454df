#include <QApplication>
#include <QFile>
#include <cstdio>
#include <cstring>
#include <string>

#include "modem/ModemWindow.h"
#include "platform/gui/QtTranslation.h"

namespace {

constexpr const char* kUsage =
    "Использование: zvonmat-modem [--root КАТАЛОГ]\n"
    "Находит модем, назначает его порту COM1..COM4 звонилки zvonmat (в\n"
    "~/.config/user_name/user.conf) и проверяет, что он отвечает.\n"
    "  --root КАТАЛОГ  искать /dev и /sys в КАТАЛОГЕ, а не в корне\n";

int usage_error(const QString& what) {
    std::fprintf(stderr, "zvonmat-modem: %s\n%s", what.toLocal8Bit().constData(), kUsage);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // Help is answered before the toolkit starts, so that it needs no display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }

    QApplication app(argc, argv);  // takes the toolkit's own options out of argv
    QApplication::setApplicationName(QStringLiteral("zvonmat-modem"));
    std::string root = "/";
    const QStringList args = QApplication::arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == u"--root" && i + 1 < args.size()) {
            root = QFile::encodeName(args[++i]).toStdString();
        } else {
            return usage_error(QStringLiteral("неизвестный ключ %1").arg(args[i]));
        }
    }

    const auto translation = platform::loadQtTranslation(QLocale::system());
    if (translation) {
        QApplication::installTranslator(translation.get());
    }
    ModemWindow window(root);
    window.show();
    return QApplication::exec();
}
