#pragma once

#include <string>
#include <string_view>

// Whole-file reading and writing for the data files.
namespace platform {

enum class ReadStatus { Ok, Missing, Unreadable };

// Reads a regular file whole into `out` (emptied unless Ok). Anything that is not a regular file
// (a directory, a FIFO, a device) is Unreadable, so reading never blocks.
ReadStatus read_whole_file(const std::string& path, std::string& out);

// Replaces the contents of `path` with `bytes` at once: through a temporary file in the same
// directory, flushed, then renamed over the target, so a crash leaves either the old or the new
// file and never a torn one. A symbolic link stays a link and its target gets the new contents;
// an existing file keeps its mode (and, for a privileged writer, its owner). A read-only file,
// or anything that is not a regular file, is never replaced. False when nothing was written.
bool replace_file(const std::string& path, std::string_view bytes);

}  // namespace platform
