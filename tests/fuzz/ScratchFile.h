#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "fuzz/FuzzCheck.h"

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
    void write(std::string_view bytes) const;

    // The bytes written to the file, then read from them and from the file, which must read
    // alike (as `same` compares them); returns what was read.
    template <class FromBytes, class FromFile, class Same = std::equal_to<>>
    auto read_both_ways(std::string_view bytes, FromBytes from_bytes, FromFile from_file,
                        Same same = {}) const {
        write(bytes);
        auto read = from_bytes(bytes);
        FUZZ_CHECK(same(from_file(path_), read));
        return read;
    }

  private:
    std::string dir_;
    std::string path_;
};
