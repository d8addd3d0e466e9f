// Stands in for the program's embedded resource: the image resource is read from a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "image/image_platform.h"

namespace korvo::tool {

class FileResourceLoader : public ResourceLoader {
public:
    explicit FileResourceLoader(std::string path);

    // The file's bytes for the image resource (type "JPG", id 100); nothing for any other
    // resource or when the file cannot be read.
    std::optional<std::vector<std::uint8_t>> LoadResource(std::string_view typeName,
                                                          int id) override;

    // What the last load found: whether the file was read, its length, and why it was not.
    bool FileRead() const { return m_fileRead; }
    std::size_t FileBytes() const { return m_fileBytes; }
    const std::string& Error() const { return m_error; }

private:
    std::string m_path;
    bool m_fileRead = false;
    std::size_t m_fileBytes = 0;
    std::string m_error;
};

}  // namespace korvo::tool
