#include "windows/HelpFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <utility>
#include <vector>

#include "platform/Cp1251.h"
#include "platform/Files.h"
#include "platform/Text.h"

#ifndef ZVONMAT_DATADIR
#define ZVONMAT_DATADIR "/usr/local/share/zvonmat"
#endif

namespace {

// Context numbers have at most this many digits, so they always fit an int.
constexpr std::size_t kMaxContextDigits = 9;

// The context number of a topic header line "[N]", or -1 for any other line.
int header_context(std::string_view line) {
    line = platform::trim(line);
    if (line.size() < 3 || line.front() != '[' || line.back() != ']') {
        return -1;
    }
    const std::string_view digits = line.substr(1, line.size() - 2);
    if (digits.size() > kMaxContextDigits) {
        return -1;
    }
    int number = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            return -1;
        }
        number = number * 10 + (c - '0');
    }
    return number;
}

void add_topic(std::map<int, QString>& topics, int context, QStringList lines) {
    while (!lines.isEmpty() && lines.front().trimmed().isEmpty()) {
        lines.removeFirst();
    }
    while (!lines.isEmpty() && lines.back().trimmed().isEmpty()) {
        lines.removeLast();
    }
    topics.try_emplace(context, lines.join(QLatin1Char('\n')));
}

}  // namespace

HelpFile::HelpFile(std::string data_dir) : data_dir_(std::move(data_dir)) {}

std::string HelpFile::default_data_dir() {
    // Beside the installed program (share/zvonmat next to bin/), wherever the install went;
    // otherwise where the build meant to install it.
    if (QCoreApplication::instance()) {
        const QString beside = QCoreApplication::applicationDirPath() + "/../share/zvonmat";
        if (QFileInfo::exists(beside + "/" + QString::fromLatin1(kFileName))) {
            return QFile::encodeName(QDir::cleanPath(beside)).toStdString();
        }
    }
    return ZVONMAT_DATADIR;
}

QString HelpFile::topic(int context) const {
    std::vector<std::string> paths = {kFileName};
    if (!data_dir_.empty()) {
        paths.push_back(data_dir_ + "/" + kFileName);
    }
    for (const std::string& path : paths) {
        if (const auto read = platform::read_whole_file(path); !read.error) {
            const auto topics = parse(read.bytes);
            const auto found = topics.find(context);
            return found == topics.end() ? QString() : found->second;
        }
    }
    return {};
}

std::map<int, QString> HelpFile::parse(std::string_view bytes) {
    std::map<int, QString> topics;
    int context = -1;
    QStringList lines;
    for (const auto& [line, end] : platform::split_lines(bytes, platform::LineEnds::Lf)) {
        const int next = header_context(line);
        if (next >= 0) {
            if (context >= 0) {
                add_topic(topics, context, std::move(lines));
            }
            context = next;
            lines = {};
        } else if (context >= 0) {
            lines.append(platform::fromCp1251(line));
        }
    }
    if (context >= 0) {
        add_topic(topics, context, std::move(lines));
    }
    return topics;
}
