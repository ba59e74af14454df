#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A file for readers that take a path: the fuzz input is written to it before each run. It lives
// in a directory of its own under $TMPDIR, or else in /dev/shm when there is one (the settings
// writer flushes every file it writes, which on a disk would dominate the run), or else in /tmp.
// The directory and everything in it go when the object does, at the fuzzer's normal exit;
// scripts/fuzz points $TMPDIR at a directory of its own, which it removes after a crash too.
class ScratchFile {
  public:
    explicit ScratchFile(const std::string& name);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& path() const { return path_; }
    // Another file in the same directory.
    std::string sibling(const std::string& name) const { return dir_ + "/" + name; }
    // Replaces the file's contents with the bytes.
    void write(const std::uint8_t* data, std::size_t size) const;

  private:
    std::string dir_;
    std::string path_;
};
