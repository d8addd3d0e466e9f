// Whole-file reads and writes for the release tool.
#include "file_bytes.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace korvo::tool {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

constexpr std::size_t kReadChunkBytes = 64 * 1024;

}  // namespace

FileContents ReadFileBytes(const std::string& path) {
    FileContents contents;
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        contents.error = std::strerror(errno);
        return contents;
    }
    std::vector<std::uint8_t> chunk(kReadChunkBytes);
    for (;;) {
        const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), file.get());
        contents.bytes.insert(contents.bytes.end(), chunk.begin(),
                              chunk.begin() + static_cast<std::ptrdiff_t>(got));
        if (got < chunk.size()) {
            break;
        }
    }
    if (std::ferror(file.get()) != 0) {
        contents.error = std::strerror(errno);
        contents.bytes.clear();
        return contents;
    }
    contents.ok = true;
    return contents;
}

bool WriteFileBytes(const std::string& path, std::span<const std::uint8_t> bytes,
                    std::string& error) {
    File file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        error = std::strerror(errno);
        return false;
    }
    const std::size_t put = std::fwrite(bytes.data(), 1, bytes.size(), file.get());
    const int closed = std::fclose(file.release());
    if (put != bytes.size() || closed != 0) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace korvo::tool
