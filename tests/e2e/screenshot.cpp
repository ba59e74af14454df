// Screenshots for the end-to-end tests, made and compared with the toolkit itself:
//   e2e_screenshot grab WINDOW_ID OUT.png     the window's pixels as the X server has them
//   e2e_screenshot compare A.png B.png N      passes when at most N pixels differ noticeably
//   e2e_screenshot crop IN.png X Y W H OUT.png a rectangle of a picture
//   e2e_screenshot find WHOLE.png PART.png     prints where PART lies in WHOLE (x y), when it does
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

bool near(QRgb p, QRgb q) {
    return std::abs(qRed(p) - qRed(q)) <= 48 && std::abs(qGreen(p) - qGreen(q)) <= 48 &&
           std::abs(qBlue(p) - qBlue(q)) <= 48;
}

int crop(const char* in, const char* x, const char* y, const char* w, const char* h,
         const char* out) {
    const QImage image(QString::fromLocal8Bit(in));
    const QRect rect(std::atoi(x), std::atoi(y), std::atoi(w), std::atoi(h));
    if (image.isNull() || !image.rect().contains(rect) ||
        !image.copy(rect).save(QString::fromLocal8Bit(out), "PNG")) {
        std::fprintf(stderr, "cannot crop %s\n", in);
        return 1;
    }
    return 0;
}

// The first place, row by row, where every pixel of `part` is near the one of `whole` under it.
// Almost every place fails at its first few pixels, so the search is quick.
int find(const char* whole_path, const char* part_path) {
    const QImage whole =
        QImage(QString::fromLocal8Bit(whole_path)).convertToFormat(QImage::Format_RGB32);
    const QImage part =
        QImage(QString::fromLocal8Bit(part_path)).convertToFormat(QImage::Format_RGB32);
    if (whole.isNull() || part.isNull()) {
        std::fprintf(stderr, "pictures missing\n");
        return 1;
    }
    for (int top = 0; top + part.height() <= whole.height(); ++top) {
        for (int left = 0; left + part.width() <= whole.width(); ++left) {
            bool matches = true;
            for (int y = 0; matches && y < part.height(); ++y) {
                for (int x = 0; matches && x < part.width(); ++x) {
                    matches = near(whole.pixel(left + x, top + y), part.pixel(x, y));
                }
            }
            if (matches) {
                std::printf("%d %d\n", left, top);
                return 0;
            }
        }
    }
    std::fprintf(stderr, "%s is not in %s\n", part_path, whole_path);
    return 1;
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
    if (argc == 8 && std::string_view(argv[1]) == "crop") {
        return crop(argv[2], argv[3], argv[4], argv[5], argv[6], argv[7]);
    }
    if (argc == 4 && std::string_view(argv[1]) == "find") {
        return find(argv[2], argv[3]);
    }
    std::fprintf(stderr,
                 "usage: %s grab WINDOW_ID OUT.png | compare A.png B.png N | "
                 "crop IN.png X Y W H OUT.png | find WHOLE.png PART.png\n",
                 argv[0]);
    return 2;
}
