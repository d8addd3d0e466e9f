// The scripted driver: statuses and read deliveries decided by the fuzz input, with checks on
// every buffer that the link hands over.
#include "scripted_driver.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "fuzz_check.h"

namespace korvo::fuzz {
namespace {

// One decision byte per read: bits 0-2 the status, bits 3-4 where the bytes come from, bits 5-7
// how many are stored and reported. All zero (an exhausted input) is a clean full delivery.
constexpr std::uint8_t kStatusBits = 0x07;
constexpr std::uint8_t kStatusIoError = 6;
constexpr std::uint8_t kStatusOther = 7;
constexpr int kSourceShift = 3;
constexpr std::uint8_t kSourceGarbage = 2;
constexpr std::uint8_t kSourceCorruptedBoard = 3;
constexpr int kAmountShift = 5;
constexpr std::uint8_t kAmountSome = 4;
constexpr std::uint8_t kAmountOne = 5;
constexpr std::uint8_t kAmountNone = 6;
constexpr std::uint8_t kAmountOverReported = 7;

// A status byte below this means success; up to kOtherStatusFrom the input/output error; from
// there on a status of four more input bytes.
constexpr std::uint8_t kIoErrorFrom = 0xE0;
constexpr std::uint8_t kOtherStatusFrom = 0xF0;

struct Region {
    StateBuffer buffer = StateBuffer::kNone;
    std::size_t offset = 0;
    std::size_t size = 0;  // of the whole buffer
};

template <std::size_t N>
bool Inside(const std::array<std::uint8_t, N>& array, const std::uint8_t* at) {
    const auto begin = reinterpret_cast<std::uintptr_t>(array.data());
    const auto where = reinterpret_cast<std::uintptr_t>(at);
    return where >= begin && where < begin + N;
}

template <std::size_t N>
Region RegionOf(StateBuffer buffer, const std::array<std::uint8_t, N>& array,
                const std::uint8_t* at) {
    return {buffer,
            reinterpret_cast<std::uintptr_t>(at) - reinterpret_cast<std::uintptr_t>(array.data()),
            N};
}

// Which buffer of the state record `at` points into; traps for any other memory and for a count
// that runs past the buffer's end.
Region Locate(const UpdaterState& state, const std::uint8_t* at, std::uint32_t count) {
    Region region;
    if (Inside(state.TxBuffer, at)) {
        region = RegionOf(StateBuffer::kTx, state.TxBuffer, at);
    } else if (Inside(state.RxBuffer, at)) {
        region = RegionOf(StateBuffer::kRx, state.RxBuffer, at);
    } else if (Inside(state.BlockBuffer, at)) {
        region = RegionOf(StateBuffer::kBlock, state.BlockBuffer, at);
    } else if (Inside(state.ReadBackBuffer, at)) {
        region = RegionOf(StateBuffer::kReadBack, state.ReadBackBuffer, at);
    }
    FUZZ_CHECK(region.buffer != StateBuffer::kNone,
               "a driver call got a buffer outside the state record's byte buffers");
    FUZZ_CHECK(count <= region.size - region.offset, "a driver call's count runs past its buffer");
    return region;
}

}  // namespace

FtStatus ScriptedDriver::Return(FtStatus status) {
    m_returned.insert(static_cast<std::int32_t>(status));
    return status;
}

FtStatus ScriptedDriver::NextStatus() {
    const std::uint8_t choice = m_input.Byte();
    if (choice < kIoErrorFrom) {
        return kFtOk;
    }
    if (choice < kOtherStatusFrom) {
        return kFtIoError;
    }
    return m_input.Word32();
}

FtStatus ScriptedDriver::Scripted(FtHandle handle) {
    return Return(IsOpen(handle) ? NextStatus() : kFtNoHandleStatus);
}

FtStatus ScriptedDriver::FT_OpenEx(const char* description, std::uint32_t flags, FtHandle* handle) {
    FUZZ_CHECK(description != nullptr && handle != nullptr, "FT_OpenEx gets its two pointers");
    FUZZ_CHECK(flags == kFtOpenByDescription, "the link opens by description");
    FUZZ_CHECK(m_openHandle == 0, "a new open while a handle is still open: the old one leaked");
    const FtStatus status = NextStatus();
    if (status == kFtOk) {
        m_lastHandle = m_lastHandle == UINT32_MAX ? 1 : m_lastHandle + 1;
        m_openHandle = m_lastHandle;
        *handle = m_openHandle;
    }
    return Return(status);
}

FtStatus ScriptedDriver::FT_SetBaudRate(FtHandle handle, std::uint32_t) {
    return Scripted(handle);
}

FtStatus ScriptedDriver::FT_SetFlowControl(FtHandle handle, std::uint16_t, std::uint8_t,
                                           std::uint8_t) {
    return Scripted(handle);
}

FtStatus ScriptedDriver::FT_SetLatencyTimer(FtHandle handle, std::uint8_t) {
    return Scripted(handle);
}

FtStatus ScriptedDriver::FT_SetUSBParameters(FtHandle handle, std::uint32_t, std::uint32_t) {
    return Scripted(handle);
}

FtStatus ScriptedDriver::FT_SetDataCharacteristics(FtHandle handle, std::uint8_t, std::uint8_t,
                                                   std::uint8_t) {
    return Scripted(handle);
}

FtStatus ScriptedDriver::FT_SetChars(FtHandle handle, std::uint8_t, std::uint8_t, std::uint8_t,
                                     std::uint8_t) {
    return Scripted(handle);
}

FtStatus ScriptedDriver::FT_SetTimeouts(FtHandle handle, std::uint32_t, std::uint32_t) {
    return Scripted(handle);
}

FtStatus ScriptedDriver::FT_Purge(FtHandle handle, std::uint32_t mask) {
    FUZZ_CHECK(mask == kFtPurgeRxTx, "a purge discards both directions");
    const FtStatus status = Scripted(handle);
    if (status == kFtOk) {
        m_board.Purge();
    }
    return status;
}

FtStatus ScriptedDriver::FT_Write(FtHandle handle, const std::uint8_t* buffer, std::uint32_t count,
                                  std::uint32_t* written) {
    FUZZ_CHECK(buffer != nullptr && written != nullptr, "FT_Write gets its two pointers");
    const Region region = Locate(m_state, buffer, count);
    FUZZ_CHECK(region.buffer == StateBuffer::kTx || region.buffer == StateBuffer::kBlock,
               "writes come from TxBuffer or BlockBuffer only");
    const FtStatus status = Scripted(handle);
    m_writes.push_back(
        {region.buffer, region.offset, std::vector<std::uint8_t>(buffer, buffer + count), status});
    *written = status == kFtOk ? count : 0;
    if (status == kFtOk) {
        m_board.Accept(m_writes.back().bytes);
    }
    return status;
}

void ScriptedDriver::TrackReceive(StateBuffer target, std::size_t offset, std::uint32_t count) {
    if (offset == 0) {
        const std::uint64_t number = m_receive.number + 1;
        m_receive = ReceiveRecord{};
        m_receive.target = target;
        m_receive.number = number;
    } else {
        FUZZ_CHECK(target == m_receive.target && offset == m_receive.bytes.size(),
                   "each read of a receive stores right after the bytes counted before it");
        FUZZ_CHECK((m_receive.lastStatus == kFtOk || m_receive.lastStatus == kFtIoError) &&
                       m_receive.lastReported > 0,
                   "a receive goes on only after a read that delivered bytes with status 0 or 4");
    }
    FUZZ_CHECK(static_cast<std::int64_t>(count) ==
                   static_cast<std::int64_t>(m_state.RxCount) - static_cast<std::int64_t>(offset),
               "each read asks for exactly the bytes still missing from RxCount");
    ++m_receive.reads;
}

std::size_t ScriptedDriver::Fill(std::span<std::uint8_t> out, std::uint8_t source) {
    if (source == kSourceGarbage) {
        const std::span<const std::uint8_t> garbage = m_input.Take(out.size());
        std::copy(garbage.begin(), garbage.end(), out.begin());
        return garbage.size();
    }
    const std::size_t n = m_board.Deliver(out);
    if (source == kSourceCorruptedBoard && n > 0) {
        const std::size_t at = m_input.UpTo(static_cast<std::uint32_t>(n - 1));
        out[at] ^= static_cast<std::uint8_t>(m_input.UpTo(254) + 1);
    }
    return n;
}

FtStatus ScriptedDriver::FT_Read(FtHandle handle, std::uint8_t* buffer, std::uint32_t count,
                                 std::uint32_t* received) {
    FUZZ_CHECK(buffer != nullptr && received != nullptr, "FT_Read gets its two pointers");
    const Region region = Locate(m_state, buffer, count);
    FUZZ_CHECK(region.buffer == StateBuffer::kRx || region.buffer == StateBuffer::kReadBack,
               "reads land in RxBuffer or ReadBackBuffer only");
    TrackReceive(region.buffer, region.offset, count);
    ++m_readsInOperation;
    m_lastReadIntoReadBack = region.buffer == StateBuffer::kReadBack;
    m_receive.lastReported = 0;

    if (!IsOpen(handle)) {
        m_receive.lastStatus = Return(kFtNoHandleStatus);
        return m_receive.lastStatus;
    }
    const std::uint8_t how = m_input.Byte();
    const std::uint8_t statusChoice = how & kStatusBits;
    const FtStatus status = statusChoice == kStatusIoError ? kFtIoError
                            : statusChoice == kStatusOther ? m_input.Word32()
                                                           : kFtOk;
    m_receive.lastStatus = Return(status);
    if (status != kFtOk && status != kFtIoError) {
        *received = m_input.Word32();  // a failed read's count means nothing
        m_receive.lastReported = *received;
        return status;
    }

    const std::uint8_t source = (how >> kSourceShift) & 0x03;
    const std::uint8_t amount = how >> kAmountShift;
    std::uint32_t wanted = count;
    if (amount == kAmountSome) {
        wanted = m_input.UpTo(count);
    } else if (amount == kAmountOne) {
        wanted = std::min<std::uint32_t>(count, 1);
    } else if (amount == kAmountNone) {
        wanted = 0;
    }
    // Only the asked-for bytes are ever stored; a larger count may be reported.
    const std::span<std::uint8_t> out(buffer, wanted);
    std::size_t stored = Fill(out, source);
    std::uint32_t reported = static_cast<std::uint32_t>(stored);
    if (amount == kAmountOverReported) {
        std::fill(out.begin() + static_cast<std::ptrdiff_t>(stored), out.end(), 0);
        stored = count;
        reported = count + 1 + m_input.UpTo(UINT32_MAX - count - 1);
    }
    m_receive.bytes.insert(m_receive.bytes.end(), buffer, buffer + stored);
    m_receive.lastReported = reported;
    *received = reported;
    return status;
}

FtStatus ScriptedDriver::FT_Close(FtHandle handle) {
    if (!IsOpen(handle)) {
        return Return(kFtNoHandleStatus);
    }
    m_openHandle = 0;
    return Return(NextStatus());  // closed whatever the status says
}

void ScriptedDriver::BeginOperation() {
    m_writes.clear();
    m_readsInOperation = 0;
}

}  // namespace korvo::fuzz
