#include <QApplication>
#include <cstdio>
#include <cstring>
#include <string>

#include "modem/ModemWindow.h"
#include "platform/gui/QtTranslation.h"

namespace {

constexpr const char* kUsage =
    "Использование: zvonmat-modem\n"
    "Находит модем, назначает его порту COM1..COM4 звонилки zvonmat (в\n"
    "~/.config/user_name/user.conf) и проверяет, что он отвечает.\n";

}  // namespace

int main(int argc, char** argv) {
    // --root DIR looks for /dev and /sys under DIR (for trying the window on a made-up machine).
    std::string root = "/";
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--root") == 0 && i + 1 < argc) {
            root = argv[++i];
        } else if (argv[i][0] == '-' && std::strncmp(argv[i], "-platform", 9) != 0 &&
                   (i == 1 || std::strcmp(argv[i - 1], "-platform") != 0)) {
            std::fprintf(stderr, "zvonmat-modem: неизвестный ключ %s\n%s", argv[i], kUsage);
            return 2;
        }
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zvonmat-modem"));
    const auto translation = platform::loadQtTranslation(QLocale::system());
    if (translation) {
        QApplication::installTranslator(translation.get());
    }
    ModemWindow window(root);
    window.show();
    return QApplication::exec();
}
