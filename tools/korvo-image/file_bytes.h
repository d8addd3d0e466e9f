// Whole-file reads and writes for the release tool, with the system's reason on failure.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace korvo::tool {

struct FileContents {
    bool ok = false;
    std::vector<std::uint8_t> bytes;
    std::string error;  // why the read failed, when it did
};

FileContents ReadFileBytes(const std::string& path);

// Writes `bytes` as the whole file; on failure returns false and sets `error`.
bool WriteFileBytes(const std::string& path, std::span<const std::uint8_t> bytes,
                    std::string& error);

}  // namespace korvo::tool
