// The Korvo board behind an emulated FTDI adapter: implements the driver calls over the loader
// model, with the wire's timing (virtual for tests, real for the demo), a transcript of every
// call and every byte, and faults that a test scripts per call.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "link/loader_model.h"
#include "link/usb_serial_driver.h"

namespace korvo {

enum class DriverCall {
    OpenEx,
    SetBaudRate,
    SetFlowControl,
    SetLatencyTimer,
    SetUSBParameters,
    SetDataCharacteristics,
    SetChars,
    SetTimeouts,
    Purge,
    Write,
    Read,
    Close,
};

const char* DriverCallName(DriverCall call);

// One driver call as the board saw it.
struct DriverRecord {
    DriverCall call;
    FtHandle handle = 0;
    std::vector<std::uint32_t> args;  // the numeric arguments after the handle, as passed
    std::string description;          // FT_OpenEx only
    std::vector<std::uint8_t> bytes;  // written by FT_Write, delivered by FT_Read
    FtStatus status = kFtOk;
};

enum class Pacing {
    Virtual,  // time passes only on the board's clock: reads return at once
    RealTime  // reads wait as long as the wire would take
};

class EmulatedBoard : public UsbSerialDriver {
public:
    using Edit = std::function<void(std::vector<std::uint8_t>&)>;
    using Clock = std::chrono::microseconds;

    static constexpr Clock kByteTime{80};              // 10 bits at 125,000 bit/s
    static constexpr Clock kReadTimeout{250'000};      // the adapter's read time-out
    static constexpr Clock kLoaderIdleReset{100'000};  // the loader drops a command left this long
    static constexpr FtHandle kHandle = 0x4B01;

    explicit EmulatedBoard(Pacing pacing = Pacing::Virtual);

    // --- The board and its adapter.
    // The USB descriptions an open answers to.
    std::vector<std::string> descriptions{"Fendral Serial Link"};
    LoaderModel& loader() { return m_loader; }
    const LoaderModel& loader() const { return m_loader; }
    // Bytes the board sends of its own right after the link opens.
    void QueueBanner(std::vector<std::uint8_t> bytes) { m_banner = std::move(bytes); }

    // --- Faults, each for the n-th call of its kind, counted from 1.
    // The call fails with `status` and has no other effect.
    void FailCall(DriverCall call, int occurrence, FtStatus status);
    // Every driver call from the n-th one (of any kind, counted from 1) on fails with `status`:
    // the adapter has been unplugged.
    void UnplugAtCall(int callNumber, FtStatus status = kFtIoError);
    // The read returns at once with no more than `maxBytes` of what has arrived.
    void LimitRead(int occurrence, std::uint32_t maxBytes);
    // The read delivers as usual and returns `status` (kFtIoError, or a driver failure).
    void ReadStatus(int occurrence, FtStatus status);
    // Edits the echo of the n-th FT_Write before it goes on the wire (corrupt, drop, add, cut).
    void EditEcho(int writeOccurrence, Edit edit);
    // Edits the bytes of the n-th FT_Write as they reach the board: noise on the line to the
    // board, which the echo then carries back too.
    void EditReceived(int writeOccurrence, Edit edit);
    // Edits the loader's n-th answer to the command starting with `command` ('G', 'W' or 'R').
    void EditAnswer(char command, int occurrence, Edit edit);
    // Runs before every driver call with its number (from 1); lets a test act at any point.
    std::function<void(DriverCall, int callNumber)> beforeCall;

    // --- What happened.
    const std::vector<DriverRecord>& transcript() const { return m_transcript; }
    // Bytes in the transcript cost memory: long runs turn them off.
    void RecordBytes(bool record) { m_recordBytes = record; }
    Clock now() const { return m_now; }
    bool isOpen() const { return m_open; }
    int callCount() const { return m_callCount; }
    // Calls made on a handle that was not open (other than 0), which a driver must refuse.
    int callsOnStaleHandle() const { return m_staleHandleCalls; }

    // --- The driver calls.
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

private:
    struct WireByte {
        std::uint8_t value;
        Clock arrival;  // when it is in the adapter's receive queue
    };

    // Counts the call, records it, and decides whether a scripted fault or a bad handle fails
    // it; returns kFtOk when the call is to go ahead.
    FtStatus Begin(DriverCall call, FtHandle handle, std::vector<std::uint32_t> args);
    FtStatus Finish(FtStatus status);
    FtStatus SimpleCall(DriverCall call, FtHandle handle, std::vector<std::uint32_t> args);
    void SendByteToHost(std::uint8_t byte, Clock ready);
    void SendToHost(const std::vector<std::uint8_t>& bytes, Clock ready);
    void AdvanceTo(Clock time);

    Pacing m_pacing;
    std::chrono::steady_clock::time_point m_realStart;
    LoaderModel m_loader;
    std::vector<std::uint8_t> m_banner;
    bool m_open = false;
    Clock m_now{0};
    Clock m_hostLineFree{0};    // when the host-to-board line has sent its last byte
    Clock m_boardLineFree{0};   // when the board-to-host line has sent its last byte
    Clock m_lastLoaderByte{0};  // when the loader last took a byte
    std::deque<WireByte> m_rx;  // bytes on their way to, or waiting in, the receive queue

    std::map<DriverCall, int> m_callsOfKind;
    std::map<char, int> m_answersOfKind;
    std::map<std::pair<DriverCall, int>, FtStatus> m_failures;
    int m_unplugAt = 0;
    FtStatus m_unplugStatus = kFtIoError;
    std::map<int, std::uint32_t> m_readLimits;
    std::map<int, FtStatus> m_readStatuses;
    std::map<int, Edit> m_echoEdits;
    std::map<int, Edit> m_receivedEdits;
    std::map<std::pair<char, int>, Edit> m_answerEdits;

    std::vector<DriverRecord> m_transcript;
    bool m_recordBytes = true;
    int m_callCount = 0;
    int m_staleHandleCalls = 0;
};

}  // namespace korvo
