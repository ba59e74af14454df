#pragma once

#include <string>
#include <string_view>
#include <system_error>

// Whole-file reading and writing for the data files. Every failure comes back as the system's
// reason (an errno value, or FileErrc where no errno fits); reporting it is the caller's part.
namespace platform {

struct FileRead {
    std::string bytes;      // the whole file; empty unless it was read whole
    std::error_code error;  // why it was not read whole; empty when it was
    // False when the file could not be opened: missing, no access, or not a regular file. True
    // when it was opened, even if reading it failed afterwards.
    bool opened = false;
};

// Reads a regular file whole. Anything that is not a regular file (a directory, a FIFO, a
// device) is not opened, so reading never blocks.
FileRead read_whole_file(const std::string& path);

// Replaces the contents of `path` with `bytes` at once: through a temporary file in the same
// directory, flushed, then renamed over the target, so a crash leaves either the old or the new
// file and never a torn one. A symbolic link stays a link and its target gets the new contents;
// an existing file keeps its mode (and, for a privileged writer, its owner). Where the directory
// refuses the temporary file but the existing file may be written, the file is rewritten in
// place instead (not atomic; a write that fails half-way puts the old contents back where the
// file can be read). A read-only file, or anything that is not a regular file, is never
// replaced. An error when nothing was written.
[[nodiscard]] std::error_code replace_file(const std::string& path, std::string_view bytes);

// Appends `bytes` to `path` with one write, creating the file when it does not exist; an
// existing file is never truncated or created anew. A write that the disk cuts short is taken
// back, so that no torn piece is left, and fails with ENOSPC.
[[nodiscard]] std::error_code append_file(const std::string& path, std::string_view bytes);

}  // namespace platform
