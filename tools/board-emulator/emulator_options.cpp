// Parsing of the board emulator's command line.
#include "emulator_options.h"

#include <cerrno>
#include <cstdlib>
#include <limits>
#include <string_view>

namespace korvo {
namespace {

bool ParseNumber(const char* text, unsigned long maximum, unsigned long& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtoul(text, &end, 0);  // decimal, or hexadecimal with 0x
    return errno == 0 && end != text && *end == '\0' && value <= maximum && text[0] != '-';
}

}  // namespace

bool EmulatorOptions::Parse(int argc, char** argv, EmulatorOptions& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        const bool hasValue = i + 1 < argc;
        unsigned long number = 0;
        if (option == "--help") {
            options.help = true;
        } else if (option == "--pace") {
            options.pace = true;
        } else if (option == "--latency" && hasValue && ParseNumber(argv[i + 1], 1000, number)) {
            options.latencyMs = static_cast<std::uint32_t>(number);
            ++i;
        } else if (option == "--exit-on-close") {
            options.exitOnClose = true;
        } else if (option == "--silent") {
            options.silent = true;
        } else if (option == "--version" && hasValue &&
                   ParseNumber(argv[i + 1], std::numeric_limits<std::uint8_t>::max(), number)) {
            options.version = static_cast<std::uint8_t>(number);
            ++i;
        } else if (option == "--banner" && hasValue &&
                   ParseNumber(argv[i + 1], std::numeric_limits<std::uint32_t>::max(), number)) {
            options.bannerBytes = static_cast<std::uint32_t>(number);
            ++i;
        } else if (option == "--flash-out" && hasValue) {
            options.flashOut = argv[++i];
        } else {
            error = "bad or incomplete argument: " + std::string(option);
            return false;
        }
    }
    return true;
}

}  // namespace korvo
