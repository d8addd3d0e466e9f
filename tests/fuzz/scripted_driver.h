// A USB serial driver whose every answer comes from the fuzz input: the status of each call, how
// many bytes each read stores and how many it reports, and whether they come from the scripted
// board or are garbage. It checks that the link only hands it the state record's own buffers,
// within their bounds, and keeps a log of each operation for the target's checks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <span>
#include <vector>

#include "fuzz_input.h"
#include "link/usb_serial_driver.h"
#include "scripted_board.h"
#include "state/updater_state.h"

namespace korvo::fuzz {

enum class StateBuffer { kNone, kTx, kRx, kBlock, kReadBack };

struct WriteRecord {
    StateBuffer source = StateBuffer::kNone;
    std::size_t offset = 0;  // where in `source` the written bytes start
    std::vector<std::uint8_t> bytes;
    FtStatus status = kFtOk;
};

// One receive as the driver saw it: the reads from the start of a buffer on, each storing right
// after the bytes before it.
struct ReceiveRecord {
    StateBuffer target = StateBuffer::kNone;
    std::vector<std::uint8_t> bytes;  // every byte a read stored and may be counted, in order
    int reads = 0;
    FtStatus lastStatus = kFtOk;
    std::uint32_t lastReported = 0;  // the count that the last read reported
    std::uint64_t number = 0;        // receives so far, this one included
};

class ScriptedDriver : public UsbSerialDriver {
public:
    ScriptedDriver(FuzzInput& input, ScriptedBoard& board, const UpdaterState& state)
        : m_input(input), m_board(board), m_state(state) {}

    FtStatus FT_OpenEx(const char* description, std::uint32_t flags, FtHandle* handle) override;
    FtStatus FT_SetBaudRate(FtHandle handle, std::uint32_t bitsPerSecond) override;
    FtStatus FT_SetFlowControl(FtHandle handle, std::uint16_t flow, std::uint8_t xon,
                               std::uint8_t xoff) override;
    FtStatus FT_SetLatencyTimer(FtHandle handle, std::uint8_t milliseconds) override;
    FtStatus FT_SetUSBParameters(FtHandle handle, std::uint32_t inTransferBytes,
                                 std::uint32_t outTransferBytes) override;
    FtStatus FT_SetDataCharacteristics(FtHandle handle, std::uint8_t wordLength,
                                       std::uint8_t stopBits, std::uint8_t parity) override;
    FtStatus FT_SetChars(FtHandle handle, std::uint8_t eventChar, std::uint8_t eventEnable,
                         std::uint8_t errorChar, std::uint8_t errorEnable) override;
    FtStatus FT_SetTimeouts(FtHandle handle, std::uint32_t readMilliseconds,
                            std::uint32_t writeMilliseconds) override;
    FtStatus FT_Purge(FtHandle handle, std::uint32_t mask) override;
    FtStatus FT_Write(FtHandle handle, const std::uint8_t* buffer, std::uint32_t count,
                      std::uint32_t* written) override;
    FtStatus FT_Read(FtHandle handle, std::uint8_t* buffer, std::uint32_t count,
                     std::uint32_t* received) override;
    FtStatus FT_Close(FtHandle handle) override;

    // Starts a new operation's log: its writes and its read count.
    void BeginOperation();
    const std::vector<WriteRecord>& writes() const { return m_writes; }
    int readsInOperation() const { return m_readsInOperation; }
    const ReceiveRecord& receive() const { return m_receive; }
    // Whether any call so far returned `status`, as the link stores it.
    bool Returned(std::int32_t status) const { return m_returned.contains(status); }
    FtHandle openHandle() const { return m_openHandle; }
    bool lastReadIntoReadBack() const { return m_lastReadIntoReadBack; }

private:
    FtStatus Return(FtStatus status);
    // A set-up or purge call's status: from the input on the open handle, refused on any other.
    FtStatus Scripted(FtHandle handle);
    FtStatus NextStatus();
    bool IsOpen(FtHandle handle) const { return handle != 0 && handle == m_openHandle; }
    void TrackReceive(StateBuffer target, std::size_t offset, std::uint32_t count);
    std::size_t Fill(std::span<std::uint8_t> out, std::uint8_t source);

    FuzzInput& m_input;
    ScriptedBoard& m_board;
    const UpdaterState& m_state;
    FtHandle m_openHandle = 0;
    FtHandle m_lastHandle = 0;
    std::set<std::int32_t> m_returned;
    std::vector<WriteRecord> m_writes;
    int m_readsInOperation = 0;
    ReceiveRecord m_receive;
    bool m_lastReadIntoReadBack = false;
};

}  // namespace korvo::fuzz
