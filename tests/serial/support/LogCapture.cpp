#include "serial/support/LogCapture.h"

#include <QLoggingCategory>
#include <algorithm>
#include <mutex>
#include <string_view>

#include "serial/internal/DebugLog.h"

namespace {

std::mutex output_mutex;
std::vector<std::string>* output_lines = nullptr;
QtMessageHandler previous_handler = nullptr;

void CaptureOutput(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (context.category != nullptr && std::string_view(context.category) == "zvonmat.serial") {
        std::lock_guard lock(output_mutex);
        if (output_lines != nullptr) {
            output_lines->push_back(message.toStdString());
            return;
        }
    }
    if (previous_handler != nullptr) {
        previous_handler(type, context, message);
    }
}

std::vector<std::string> captured_output;

}  // namespace

LogCapture::LogCapture() {
    hooks_.record_debug_log();
    std::lock_guard lock(output_mutex);
    captured_output.clear();
    output_lines = &captured_output;
    QLoggingCategory::setFilterRules(QStringLiteral("zvonmat.serial.debug=true"));
    previous_handler = qInstallMessageHandler(CaptureOutput);
}

LogCapture::~LogCapture() {
    qInstallMessageHandler(previous_handler);
    QLoggingCategory::setFilterRules(QString());
    std::lock_guard lock(output_mutex);
    output_lines = nullptr;
}

std::vector<std::string> LogCapture::lines() const {
    return hooks_.debug_lines();
}

std::vector<std::string> LogCapture::output() const {
    std::lock_guard lock(output_mutex);
    return captured_output;
}

bool LogCapture::has_line(const std::string& line) const {
    return hooks_.has_debug_line(line);
}

testing::AssertionResult LoggedInOrder(const std::vector<std::string>& lines,
                                       const std::vector<std::string>& expected) {
    std::ptrdiff_t previous = -1;
    for (const std::string& line : expected) {
        const auto first = std::find(lines.begin(), lines.end(), line);
        if (first == lines.end() || first - lines.begin() <= previous) {
            return testing::AssertionFailure() << "\"" << line << "\" not logged in its place";
        }
        previous = first - lines.begin();
    }
    return testing::AssertionSuccess();
}
