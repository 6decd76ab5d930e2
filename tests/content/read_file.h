// Reads a committed material file whole; empty when it cannot be read.
#pragma once

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

inline std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
