#pragma once

#include <fstream>
#include <sstream>
#include <string>

// The whole of a file's bytes; empty when it cannot be read.
inline std::string file_contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}
