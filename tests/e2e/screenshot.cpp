// Screenshots for the end-to-end tests, made and compared with the toolkit itself:
//   e2e_screenshot grab WINDOW_ID OUT.png     the window's pixels as the X server has them
//   e2e_screenshot compare A.png B.png N      passes when at most N pixels differ noticeably
// "Noticeably" is more than 48 levels in some channel: text antialiasing may shift a little
// between runs, a layout or painting fault changes whole areas.
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <cstdio>
#include <cstdlib>

namespace {

int grab(const char* window_id, const char* out) {
    QScreen* screen = QGuiApplication::primaryScreen();
    const QPixmap shot = screen->grabWindow(WId(std::strtoul(window_id, nullptr, 0)));
    if (shot.isNull() || !shot.save(QString::fromLocal8Bit(out), "PNG")) {
        std::fprintf(stderr, "cannot grab window %s\n", window_id);
        return 1;
    }
    return 0;
}

int compare(const char* a_path, const char* b_path, long allowed) {
    const QImage a = QImage(QString::fromLocal8Bit(a_path)).convertToFormat(QImage::Format_RGB32);
    const QImage b = QImage(QString::fromLocal8Bit(b_path)).convertToFormat(QImage::Format_RGB32);
    if (a.isNull() || b.isNull() || a.size() != b.size()) {
        std::fprintf(stderr, "pictures missing or of different sizes\n");
        return 1;
    }
    long differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (std::abs(qRed(p) - qRed(q)) > 48 || std::abs(qGreen(p) - qGreen(q)) > 48 ||
                std::abs(qBlue(p) - qBlue(q)) > 48) {
                ++differing;
            }
        }
    }
    std::printf("%ld pixels differ (allowed %ld)\n", differing, allowed);
    return differing <= allowed ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc == 4 && std::string_view(argv[1]) == "grab") {
        return grab(argv[2], argv[3]);
    }
    if (argc == 5 && std::string_view(argv[1]) == "compare") {
        return compare(argv[2], argv[3], std::atol(argv[4]));
    }
    std::fprintf(stderr, "usage: %s grab WINDOW_ID OUT.png | compare A.png B.png N\n", argv[0]);
    return 2;
}
