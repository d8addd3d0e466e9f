// The image resource read from a file, for the release tool.
#include "file_resource_loader.h"

#include <utility>

#include "file_bytes.h"
#include "image/firmware_image.h"

namespace korvo::tool {

FileResourceLoader::FileResourceLoader(std::string path) : m_path(std::move(path)) {}

std::optional<std::vector<std::uint8_t>> FileResourceLoader::LoadResource(std::string_view typeName,
                                                                          int id) {
    m_fileRead = false;
    m_fileBytes = 0;
    m_error.clear();
    if (typeName != kImageResourceType || id != kImageResourceId) {
        m_error = "no such resource";
        return std::nullopt;
    }
    FileContents contents = ReadFileBytes(m_path);
    if (!contents.ok) {
        m_error = contents.error;
        return std::nullopt;
    }
    m_fileRead = true;
    m_fileBytes = contents.bytes.size();
    return std::move(contents.bytes);
}

}  // namespace korvo::tool
