// What the firmware image code needs from the platform: the embedded resource and random
// fractions. The window services provide both; the release tool provides its own.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace korvo {

class ResourceLoader {
public:
    virtual ~ResourceLoader() = default;
    // All bytes of the embedded resource of type `typeName` and id `id`, or nothing when it is
    // missing or unreadable.
    virtual std::optional<std::vector<std::uint8_t>> LoadResource(std::string_view typeName,
                                                                  int id) = 0;
};

class RandomFractions {
public:
    virtual ~RandomFractions() = default;
    // Seeds the source from the clock.
    virtual void SeedRandomFromClock() = 0;
    // A fraction r with 0 <= r < 1.
    virtual float NextRandomFraction() = 0;
};

}  // namespace korvo
