#pragma once

#include <string>
#include <string_view>
#include <system_error>

#include <sys/types.h>

#include "platform/UniqueFd.h"

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

// A symbolic link among the data files is followed only where the kernel's protected_symlinks
// rule would follow it: the link is the process's own, or its directory's owner's, or its
// directory is not both sticky and writable for all. Elsewhere (a link planted in a shared /tmp)
// it fails with EACCES, so it is neither read nor written through.

// Opens `path` with `flags` (and `mode` for O_CREAT), following its links by that rule only. An
// empty descriptor and errno set when it cannot.
UniqueFd open_data_file(const std::string& path, int flags, mode_t mode = 0);

// Reads a regular file whole. Anything that is not a regular file (a directory, a FIFO, a
// device) is not opened, so reading never blocks.
FileRead read_whole_file(const std::string& path);

// Replaces the contents of `path` with `bytes` at once: through a temporary file in the same
// directory, flushed, then renamed over the target, so a crash leaves either the old or the new
// file and never a torn one. The temporary file has no name until it is complete (O_TMPFILE);
// where the file system cannot do that, or between naming and renaming, a crash can leave a
// ".zvonmat-save.*" file behind, which remove_save_leftovers() clears at the next start. A symbolic
// link stays a link and its target gets the new contents; an existing file keeps its mode (and, for
// a privileged writer, its owner). Where the directory refuses the temporary file but the existing
// file may be written, the file is rewritten in place instead (not atomic; a write that fails
// half-way puts the old contents back where the file can be read). A read-only file, or anything
// that is not a regular file, is never replaced. An error when nothing was written.
[[nodiscard]] std::error_code replace_file(const std::string& path, std::string_view bytes);

// A replace split in two: prepare() writes the new contents to a temporary file, commit() puts it
// in place. Preparing every file before committing any lets a failure while writing one leave
// all of them as they were. Dropped uncommitted, the temporary file goes away.
class PreparedReplace {
  public:
    [[nodiscard]] static PreparedReplace prepare(const std::string& path, std::string_view bytes);
    PreparedReplace(PreparedReplace&& other) noexcept;
    PreparedReplace& operator=(PreparedReplace&& other) noexcept;
    ~PreparedReplace();

    // Why the file could not be prepared; commit() then fails with it too.
    std::error_code error() const { return error_; }
    [[nodiscard]] std::error_code commit();

  private:
    PreparedReplace() = default;
    std::error_code start(const std::string& path, std::string_view bytes);
    void discard();

    std::error_code error_;
    std::string target_;  // the file to replace, its links followed
    bool exists_ = false;
    UniqueFd fd_;            // the unnamed temporary file, while it has no name
    std::string temp_;       // the named temporary file, where unnamed ones are refused
    bool in_place_ = false;  // the directory takes no new file: rewrite the target itself
    std::string bytes_;      // what to rewrite it with
};

// Removes the ".zvonmat-save.*" temporary files of this user that an interrupted save left in
// `dir`. Called at start-up, when no save of this program runs there.
void remove_save_leftovers(const std::string& dir);

// Appends `bytes` to `path` with one write, creating the file when it does not exist; an
// existing file is never truncated or created anew. A write that the disk cuts short is taken
// back, so that no torn piece is left, and fails with ENOSPC.
[[nodiscard]] std::error_code append_file(const std::string& path, std::string_view bytes);

}  // namespace platform
