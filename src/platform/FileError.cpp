#include "platform/FileError.h"

namespace platform {
namespace {

class FileCategory : public std::error_category {
  public:
    const char* name() const noexcept override { return "zvonmat.file"; }
    std::string message(int value) const override {
        switch (static_cast<FileErrc>(value)) {
            case FileErrc::NotRegular:
                return "Not a regular file";
        }
        return "Unknown file error";
    }
};

std::string_view text_of(FileMessage kind) {
    switch (kind) {
        case FileMessage::CannotCreate:
            return "Cannot create file ";
        case FileMessage::UnableToWrite:
            return "Unable to write to ";
        case FileMessage::CannotRead:
            return "Cannot read file ";
        case FileMessage::JournalWrite:
            return "Cannot write to the journal ";
    }
    return "Cannot use file ";
}

}  // namespace

const std::error_category& file_category() {
    static const FileCategory category;
    return category;
}

std::error_code make_error_code(FileErrc e) {
    return {static_cast<int>(e), file_category()};
}

std::string file_error_message(FileMessage kind, std::string_view path, std::error_code reason) {
    std::string message(text_of(kind));
    message.append(path);
    if (reason) {
        message += ": ";
        message += reason.message();
    }
    return message;
}

Error file_error(FileMessage kind, std::string_view path, std::error_code reason) {
    return Error(file_error_message(kind, path, reason));
}

}  // namespace platform
