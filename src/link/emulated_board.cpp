// The emulated board's driver calls: bytes travel on two serial lines at 80 us a byte, the board
// echoes each byte it receives and then answers, reads wait up to the read time-out, and every
// call can be failed or its bytes edited by a test.
#include "link/emulated_board.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace korvo {

const char* DriverCallName(DriverCall call) {
    switch (call) {
        case DriverCall::OpenEx:
            return "FT_OpenEx";
        case DriverCall::SetBaudRate:
            return "FT_SetBaudRate";
        case DriverCall::SetFlowControl:
            return "FT_SetFlowControl";
        case DriverCall::SetLatencyTimer:
            return "FT_SetLatencyTimer";
        case DriverCall::SetUSBParameters:
            return "FT_SetUSBParameters";
        case DriverCall::SetDataCharacteristics:
            return "FT_SetDataCharacteristics";
        case DriverCall::SetChars:
            return "FT_SetChars";
        case DriverCall::SetTimeouts:
            return "FT_SetTimeouts";
        case DriverCall::Purge:
            return "FT_Purge";
        case DriverCall::Write:
            return "FT_Write";
        case DriverCall::Read:
            return "FT_Read";
        case DriverCall::Close:
            return "FT_Close";
    }
    return "?";
}

EmulatedBoard::EmulatedBoard(Pacing pacing)
    : m_pacing(pacing), m_realStart(std::chrono::steady_clock::now()) {}

void EmulatedBoard::FailCall(DriverCall call, int occurrence, FtStatus status) {
    m_failures[{call, occurrence}] = status;
}

void EmulatedBoard::UnplugAtCall(int callNumber, FtStatus status) {
    m_unplugAt = callNumber;
    m_unplugStatus = status;
}

void EmulatedBoard::LimitRead(int occurrence, std::uint32_t maxBytes) {
    m_readLimits[occurrence] = maxBytes;
}

void EmulatedBoard::ReadStatus(int occurrence, FtStatus status) {
    m_readStatuses[occurrence] = status;
}

void EmulatedBoard::EditEcho(int writeOccurrence, Edit edit) {
    m_echoEdits[writeOccurrence] = std::move(edit);
}

void EmulatedBoard::EditReceived(int writeOccurrence, Edit edit) {
    m_receivedEdits[writeOccurrence] = std::move(edit);
}

void EmulatedBoard::EditAnswer(char command, int occurrence, Edit edit) {
    m_answerEdits[{command, occurrence}] = std::move(edit);
}

void EmulatedBoard::AdvanceTo(Clock time) {
    m_now = std::max(m_now, time);
    if (m_pacing == Pacing::RealTime) {
        std::this_thread::sleep_until(m_realStart + m_now);
    }
}

FtStatus EmulatedBoard::Begin(DriverCall call, FtHandle handle, std::vector<std::uint32_t> args) {
    ++m_callCount;
    const int occurrence = ++m_callsOfKind[call];
    if (beforeCall) {
        beforeCall(call, m_callCount);
    }
    if (m_pacing == Pacing::RealTime) {
        // Time passed outside the driver too: the wire does not wait for the program.
        const auto elapsed =
            std::chrono::duration_cast<Clock>(std::chrono::steady_clock::now() - m_realStart);
        m_now = std::max(m_now, elapsed);
    }
    DriverRecord record{call, handle, std::move(args), {}, {}, kFtOk};
    m_transcript.push_back(std::move(record));

    if (m_unplugAt != 0 && m_callCount >= m_unplugAt) {
        m_open = false;
        m_rx.clear();
        return m_unplugStatus;
    }
    if (const auto failure = m_failures.find({call, occurrence}); failure != m_failures.end()) {
        return failure->second;
    }
    if (call != DriverCall::OpenEx) {
        if (handle == 0) {
            return kFtNoHandleStatus;
        }
        if (handle != kHandle || !m_open) {
            ++m_staleHandleCalls;
            return kFtInvalidHandle;
        }
    }
    return kFtOk;
}

FtStatus EmulatedBoard::Finish(FtStatus status) {
    m_transcript.back().status = status;
    return status;
}

FtStatus EmulatedBoard::SimpleCall(DriverCall call, FtHandle handle,
                                   std::vector<std::uint32_t> args) {
    return Finish(Begin(call, handle, std::move(args)));
}

void EmulatedBoard::SendByteToHost(std::uint8_t byte, Clock ready) {
    m_boardLineFree = std::max(m_boardLineFree, ready) + kByteTime;
    m_rx.push_back({byte, m_boardLineFree});
}

void EmulatedBoard::SendToHost(const std::vector<std::uint8_t>& bytes, Clock ready) {
    for (const std::uint8_t byte : bytes) {
        SendByteToHost(byte, ready);
    }
}

FtStatus EmulatedBoard::FT_OpenEx(const char* description, std::uint32_t flags, FtHandle* handle) {
    FtStatus status = Begin(DriverCall::OpenEx, 0, {flags});
    m_transcript.back().description = description != nullptr ? description : "";
    if (status != kFtOk) {
        return Finish(status);
    }
    const bool known = description != nullptr && std::find(descriptions.begin(), descriptions.end(),
                                                           description) != descriptions.end();
    if (flags != kFtOpenByDescription || handle == nullptr || !known) {
        return Finish(kFtDeviceNotFound);
    }
    if (m_open) {
        return Finish(kFtDeviceNotOpened);  // one program at a time
    }
    m_open = true;
    *handle = kHandle;
    m_rx.clear();
    SendToHost(m_banner, m_now);
    return Finish(kFtOk);
}

FtStatus EmulatedBoard::FT_SetBaudRate(FtHandle handle, std::uint32_t bitsPerSecond) {
    return SimpleCall(DriverCall::SetBaudRate, handle, {bitsPerSecond});
}

FtStatus EmulatedBoard::FT_SetFlowControl(FtHandle handle, std::uint16_t flow, std::uint8_t xon,
                                          std::uint8_t xoff) {
    return SimpleCall(DriverCall::SetFlowControl, handle, {flow, xon, xoff});
}

FtStatus EmulatedBoard::FT_SetLatencyTimer(FtHandle handle, std::uint8_t milliseconds) {
    return SimpleCall(DriverCall::SetLatencyTimer, handle, {milliseconds});
}

FtStatus EmulatedBoard::FT_SetUSBParameters(FtHandle handle, std::uint32_t inTransferBytes,
                                            std::uint32_t outTransferBytes) {
    return SimpleCall(DriverCall::SetUSBParameters, handle, {inTransferBytes, outTransferBytes});
}

FtStatus EmulatedBoard::FT_SetDataCharacteristics(FtHandle handle, std::uint8_t wordLength,
                                                  std::uint8_t stopBits, std::uint8_t parity) {
    return SimpleCall(DriverCall::SetDataCharacteristics, handle, {wordLength, stopBits, parity});
}

FtStatus EmulatedBoard::FT_SetChars(FtHandle handle, std::uint8_t eventChar,
                                    std::uint8_t eventEnable, std::uint8_t errorChar,
                                    std::uint8_t errorEnable) {
    return SimpleCall(DriverCall::SetChars, handle,
                      {eventChar, eventEnable, errorChar, errorEnable});
}

FtStatus EmulatedBoard::FT_SetTimeouts(FtHandle handle, std::uint32_t readMilliseconds,
                                       std::uint32_t writeMilliseconds) {
    return SimpleCall(DriverCall::SetTimeouts, handle, {readMilliseconds, writeMilliseconds});
}

FtStatus EmulatedBoard::FT_Purge(FtHandle handle, std::uint32_t mask) {
    const FtStatus status = Begin(DriverCall::Purge, handle, {mask});
    if (status == kFtOk) {
        // What has reached the adapter is dropped; bytes still on the wire arrive later.
        std::erase_if(m_rx, [&](const WireByte& byte) { return byte.arrival <= m_now; });
    }
    return Finish(status);
}

FtStatus EmulatedBoard::FT_Write(FtHandle handle, const std::uint8_t* buffer, std::uint32_t count,
                                 std::uint32_t* written) {
    const int occurrence = m_callsOfKind[DriverCall::Write] + 1;
    const FtStatus status = Begin(DriverCall::Write, handle, {count});
    if (status != kFtOk) {
        return Finish(status);
    }
    const std::vector<std::uint8_t> bytes(buffer, buffer + count);
    if (m_recordBytes) {
        m_transcript.back().bytes = bytes;
    }
    if (written != nullptr) {
        *written = count;
    }

    // The board takes each byte as it arrives on the host line and echoes it; answers follow
    // the echo of the write that completed their command.
    std::vector<std::uint8_t> arriving = bytes;
    if (const auto edit = m_receivedEdits.find(occurrence); edit != m_receivedEdits.end()) {
        edit->second(arriving);
    }
    std::vector<std::uint8_t> echo = arriving;
    std::vector<std::pair<char, std::vector<std::uint8_t>>> answers;
    Clock arrival = std::max(m_hostLineFree, m_now);
    for (const std::uint8_t byte : arriving) {
        arrival += kByteTime;
        if (m_loader.midCommand() && arrival - m_lastLoaderByte > kLoaderIdleReset) {
            m_loader.ResetParser();
        }
        m_lastLoaderByte = arrival;
        std::vector<std::uint8_t> answer;
        m_loader.Receive(byte, answer);
        if (!answer.empty()) {
            answers.emplace_back(m_loader.lastAnswered(), std::move(answer));
        }
    }
    m_hostLineFree = arrival;

    if (const auto edit = m_echoEdits.find(occurrence); edit != m_echoEdits.end()) {
        edit->second(echo);
    }
    const auto sent = arriving.size();
    const Clock firstArrival = arrival - kByteTime * static_cast<std::int64_t>(sent);
    for (std::size_t i = 0; i < echo.size(); ++i) {
        const auto index = static_cast<std::int64_t>(std::min<std::size_t>(i + 1, sent));
        SendByteToHost(echo[i], firstArrival + kByteTime * index);
    }
    for (auto& [kind, answer] : answers) {
        const int answerOccurrence = ++m_answersOfKind[kind];
        if (const auto edit = m_answerEdits.find({kind, answerOccurrence});
            edit != m_answerEdits.end()) {
            edit->second(answer);
        }
        SendToHost(answer, arrival);
    }
    return Finish(kFtOk);
}

FtStatus EmulatedBoard::FT_Read(FtHandle handle, std::uint8_t* buffer, std::uint32_t count,
                                std::uint32_t* received) {
    const int occurrence = m_callsOfKind[DriverCall::Read] + 1;
    const FtStatus status = Begin(DriverCall::Read, handle, {count});
    if (status != kFtOk) {
        return Finish(status);
    }
    if (const auto limit = m_readLimits.find(occurrence); limit != m_readLimits.end()) {
        count = std::min(count, limit->second);
    }
    const Clock deadline = m_now + kReadTimeout;
    std::size_t available = 0;
    while (available < m_rx.size() && available < count && m_rx[available].arrival <= deadline) {
        ++available;
    }
    AdvanceTo(available == count && count > 0 ? m_rx[available - 1].arrival : deadline);

    for (std::size_t i = 0; i < available; ++i) {
        buffer[i] = m_rx.front().value;
        m_rx.pop_front();
    }
    if (received != nullptr) {
        *received = static_cast<std::uint32_t>(available);
    }
    if (m_recordBytes) {
        m_transcript.back().bytes.assign(buffer, buffer + available);
    }
    const auto scripted = m_readStatuses.find(occurrence);
    return Finish(scripted != m_readStatuses.end() ? scripted->second : kFtOk);
}

FtStatus EmulatedBoard::FT_Close(FtHandle handle) {
    const FtStatus status = Begin(DriverCall::Close, handle, {});
    if (status == kFtOk) {
        m_open = false;
        m_rx.clear();
    }
    return Finish(status);
}

}  // namespace korvo
