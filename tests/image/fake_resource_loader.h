// A resource loader for tests: serves one byte array as the image resource ("JPG", id 100) and
// records what the loader saw when it was called.
#pragma once

#include <cstdint>
#include <new>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "image/firmware_image.h"
#include "image/image_platform.h"
#include "state/updater_state.h"

namespace korvo::test {

class FakeResourceLoader : public ResourceLoader {
public:
    // `resource` is the image resource, or nothing for a missing one. When `watched` is given,
    // each call records the UpdateError that the loader saw at that moment.
    explicit FakeResourceLoader(std::optional<std::vector<std::uint8_t>> resource,
                                const UpdaterState* watched = nullptr)
        : m_resource(std::move(resource)), m_watched(watched) {}

    std::optional<std::vector<std::uint8_t>> LoadResource(std::string_view typeName,
                                                          int id) override {
        ++m_calls;
        if (m_watched != nullptr) {
            m_updateErrorDuringLoad = m_watched->UpdateError;
        }
        if (m_runOutOfMemory) {
            throw std::bad_alloc();
        }
        if (typeName != kImageResourceType || id != kImageResourceId) {
            return std::nullopt;
        }
        return m_resource;
    }

    // Makes every later call fail as an allocation that ran out of memory.
    void RunOutOfMemory() { m_runOutOfMemory = true; }

    int Calls() const { return m_calls; }
    std::optional<bool> UpdateErrorDuringLoad() const { return m_updateErrorDuringLoad; }

private:
    std::optional<std::vector<std::uint8_t>> m_resource;
    const UpdaterState* m_watched = nullptr;
    bool m_runOutOfMemory = false;
    int m_calls = 0;
    std::optional<bool> m_updateErrorDuringLoad;
};

}  // namespace korvo::test
