// A well-behaved update loader behind a clean link, for the link fuzz target: it echoes every
// byte written and queues the answer that each command earns, so that exchanges can succeed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <span>

#include "fuzz_input.h"
#include "state/updater_state.h"

namespace korvo::fuzz {

class ScriptedBoard {
public:
    // `input` supplies the firmware version byte of each identify answer.
    explicit ScriptedBoard(FuzzInput& input) : m_input(input) {}

    // Discards everything pending, as the driver's purge does.
    void Purge();
    // Takes the bytes of one write: queues their echo and, for a command, its answer.
    void Accept(std::span<const std::uint8_t> bytes);
    // Moves up to out.size() pending bytes into `out`; returns how many.
    std::size_t Deliver(std::span<std::uint8_t> out);
    // Makes the board hold `block` at `address`, as if it had been written there before.
    void Hold(std::int32_t address, std::span<const std::uint8_t> block);

private:
    using Block = std::array<std::uint8_t, kBlockBytes>;

    FuzzInput& m_input;
    std::deque<std::uint8_t> m_pending;
    std::map<std::int32_t, Block> m_blocks;
    std::optional<std::int32_t> m_dataAddress;  // after "WF": the next 2048-byte write is its data
};

}  // namespace korvo::fuzz
