// Fuzz target for the serial link and the loader commands: a scripted driver, fed by the input,
// decides every status and every read's delivery while the input also picks the operations
// (open, send, receive, identify, block write, block verify, close) and their counts, addresses
// and block lengths, in range and out of it. After each operation the target checks what must
// hold whatever the driver does.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "fuzz_check.h"
#include "fuzz_input.h"
#include "link/serial_link.h"
#include "protocol/loader_protocol.h"
#include "scripted_board.h"
#include "scripted_driver.h"
#include "scripted_pump.h"
#include "state/updater_state.h"

namespace korvo::fuzz {
namespace {

constexpr int kMaxOperations = 48;
constexpr std::uint8_t kArmPumpFrom = 0xF0;  // an operation's first byte from here on arms the
                                             // pump to close the link after (low nibble + 1) pumps
constexpr std::size_t kMaxCommandText = 16;
constexpr std::uint32_t kSmallCount = 16;
constexpr std::size_t kMaxBlockPrefix = 64;
constexpr std::uint32_t kLastFlashBlock = 62;  // device addresses 0 to 63,488 in steps of 1024

constexpr std::int32_t kCountEdges[] = {-1,    0,     4095,      4096,     4097,
                                        65535, 65536, INT32_MIN, INT32_MAX};
constexpr std::int32_t kAddressEdges[] = {-1,     0,         63'488,    65'535,   65'536,
                                          65'537, 0x1000000, INT32_MIN, INT32_MAX};
constexpr std::int32_t kWordsEdges[] = {-1,     0,      1,          511,       512,      513,
                                        65'535, 65'536, 0x40000000, INT32_MIN, INT32_MAX};

// What a command's address bytes (middle and low) and length bytes (high and low) can carry.
constexpr std::int32_t kCarriedAddresses = 65'536;
constexpr std::int32_t kCarriedLengths = 65'536;

constexpr std::array<std::uint8_t, 2> kIdentify{'G', 'I'};
constexpr std::array<std::uint8_t, 2> kOkay{'O', 'K'};

enum Operation : std::uint32_t {
    kOpen,
    kSend,
    kReceive,
    kIdentifyDevice,
    kWriteBlock,
    kVerifyBlock,
    kClose,
    kLastOperation = kClose,
};

template <std::size_t N>
std::int32_t Pick(FuzzInput& input, const std::int32_t (&edges)[N]) {
    return edges[input.UpTo(N - 1)];
}

std::int32_t FuzzCount(FuzzInput& input) {
    switch (input.UpTo(3)) {
        case 0:
            return static_cast<std::int32_t>(input.UpTo(kSmallCount));
        case 1:
            return static_cast<std::int32_t>(input.UpTo(kTextBufferBytes));
        case 2:
            return Pick(input, kCountEdges);
        default:
            return static_cast<std::int32_t>(input.Word32());
    }
}

std::int32_t FuzzAddress(FuzzInput& input) {
    switch (input.UpTo(3)) {
        case 0:
            return static_cast<std::int32_t>(1024 * input.UpTo(kLastFlashBlock));
        case 1:
            return static_cast<std::int32_t>(input.UpTo(65'535));
        case 2:
            return Pick(input, kAddressEdges);
        default:
            return static_cast<std::int32_t>(input.Word32());
    }
}

std::int32_t FuzzBlockWords(FuzzInput& input) {
    switch (input.UpTo(3)) {
        case 0:
            return static_cast<std::int32_t>(kBlockBytes / 4);
        case 1:
            return static_cast<std::int32_t>(input.UpTo(kBlockBytes / 4));
        case 2:
            return Pick(input, kWordsEdges);
        default:
            return static_cast<std::int32_t>(input.Word32());
    }
}

bool AddressFits(std::int32_t address) {
    return address >= 0 && address < kCarriedAddresses;
}

bool WordsFit(std::int32_t words) {
    return words >= 0 && words < kCarriedLengths;
}

bool Succeeded(FtStatus status) {
    return status == kFtOk || status == kFtIoError;
}

// The record is large (its image buffers alone hold 655,400 bytes), so one record serves every
// run; each run starts with the link's and the loader commands' fields as at program start.
UpdaterState& FreshState() {
    static const auto record = std::make_unique<UpdaterState>();
    UpdaterState& s = *record;
    s.LinkHandle = 0;
    s.LinkStatus = 0;
    s.TxBuffer = BlankText();
    s.RxBuffer = BlankText();
    s.TxCount = 0;
    s.RxCount = 0;
    s.ReadTimedOut = false;
    s.ReadFailed = false;
    s.DevMajor = 0;
    s.DevMinor = 0;
    s.VersionOverride = false;
    s.BlockBuffer.fill(0);
    s.ReadBackBuffer.fill(0);
    s.BlockWords = 0;
    s.DeviceAddress = 0;
    return s;
}

// Everything one run drives, built around the state record.
struct LinkRig {
    explicit LinkRig(FuzzInput& in)
        : input(in),
          state(FreshState()),
          board(in),
          driver(in, board, state),
          pump(driver),
          link(state, driver, pump),
          protocol(link) {}

    FuzzInput& input;
    UpdaterState& state;
    ScriptedBoard board;
    ScriptedDriver driver;
    ScriptedPump pump;
    SerialLink link;
    LoaderProtocol protocol;
};

void FillBlock(LinkRig& rig) {
    const std::uint8_t pattern = rig.input.Byte();
    rig.state.BlockBuffer.fill(pattern);
    const std::span<const std::uint8_t> prefix = rig.input.Take(rig.input.UpTo(kMaxBlockPrefix));
    std::copy(prefix.begin(), prefix.end(), rig.state.BlockBuffer.begin());
}

bool WriteIs(const WriteRecord& write, StateBuffer source, std::span<const std::uint8_t> bytes) {
    return write.source == source && write.offset == 0 &&
           std::equal(write.bytes.begin(), write.bytes.end(), bytes.begin(), bytes.end());
}

void CheckAlways(const LinkRig& rig) {
    const UpdaterState& s = rig.state;
    FUZZ_CHECK(s.LinkStatus == 0 || s.LinkStatus == static_cast<std::int32_t>(kFtIoError) ||
                   s.LinkStatus == STATUS_TRANSFER_FAILED || rig.driver.Returned(s.LinkStatus),
               "LinkStatus is 0, 4, 8 or a status that the driver returned");
    FUZZ_CHECK(!(s.ReadTimedOut && s.ReadFailed), "ReadTimedOut and ReadFailed are never both set");
    FUZZ_CHECK(s.LinkHandle == 0 || s.LinkHandle == rig.driver.openHandle(),
               "LinkHandle is 0 or the handle that the driver holds open");
}

// ReceiveReply's outcome, judged from the driver's record of the reads that it made.
void CheckReceiveReply(const LinkRig& rig, std::uint64_t receivesBefore) {
    const UpdaterState& s = rig.state;
    const ReceiveRecord& r = rig.driver.receive();
    if (s.RxCount < 0 || static_cast<std::size_t>(s.RxCount) > kTextBufferBytes) {
        FUZZ_CHECK(r.number == receivesBefore, "a count past RxBuffer is not read");
        FUZZ_CHECK(s.LinkStatus != 0, "a count past RxBuffer fails the receive");
        return;
    }
    FUZZ_CHECK(r.number == receivesBefore + 1 && r.target == StateBuffer::kRx,
               "a receive reads into RxBuffer from its start");
    FUZZ_CHECK(r.reads >= 1 && r.reads <= std::max(1, s.RxCount),
               "a receive makes at least one read and at most RxCount");
    const std::size_t n = r.bytes.size();
    FUZZ_CHECK(std::equal(r.bytes.begin(), r.bytes.end(), s.RxBuffer.begin()) &&
                   std::all_of(s.RxBuffer.begin() + static_cast<std::ptrdiff_t>(n),
                               s.RxBuffer.end(), [](std::uint8_t b) { return b == kBlank; }),
               "RxBuffer holds the bytes received, in order, followed by blanks");
    if (!Succeeded(r.lastStatus)) {
        FUZZ_CHECK(s.LinkStatus == STATUS_TRANSFER_FAILED && s.ReadFailed && !s.ReadTimedOut,
                   "a failed read ends the receive with 8 and ReadFailed");
    } else if (r.lastReported == 0) {
        FUZZ_CHECK(s.LinkStatus == STATUS_TRANSFER_FAILED && s.ReadTimedOut && !s.ReadFailed,
                   "an empty read ends the receive with 8 and ReadTimedOut");
    } else {
        FUZZ_CHECK(n == static_cast<std::size_t>(s.RxCount),
                   "a receive ends without a flag only with RxCount bytes");
        FUZZ_CHECK(s.LinkStatus == static_cast<std::int32_t>(r.lastStatus) && !s.ReadTimedOut &&
                       !s.ReadFailed,
                   "a complete receive ends with the last read's status, 0 or 4");
    }
}

void Open(LinkRig& rig) {
    UpdaterState& s = rig.state;
    rig.pump.Arm(rig.link, 0);
    if (s.LinkHandle != 0) {
        rig.link.CloseLink();
        FUZZ_CHECK(s.LinkHandle == 0 && rig.driver.openHandle() == 0, "CloseLink closes the link");
    }
    rig.link.OpenLink();
    FUZZ_CHECK((s.LinkHandle != 0 && s.LinkStatus == 0) || (s.LinkHandle == 0 && s.LinkStatus != 0),
               "OpenLink leaves an open handle with status 0, or handle 0 with a failure");
}

void Send(LinkRig& rig) {
    UpdaterState& s = rig.state;
    StoreText(s.TxBuffer, rig.input.Take(rig.input.UpTo(kMaxCommandText)));
    s.TxCount = FuzzCount(rig.input);
    const std::uint64_t receivesBefore = rig.driver.receive().number;
    rig.link.SendCommand();

    const auto& writes = rig.driver.writes();
    if (s.TxCount < 0 || static_cast<std::size_t>(s.TxCount) > kTextBufferBytes) {
        FUZZ_CHECK(writes.empty() && rig.driver.readsInOperation() == 0 && s.LinkStatus != 0,
                   "a TxCount past TxBuffer sends and reads nothing and fails");
        return;
    }
    FUZZ_CHECK(writes.size() == 1 && writes[0].source == StateBuffer::kTx &&
                   writes[0].offset == 0 &&
                   writes[0].bytes.size() == static_cast<std::size_t>(s.TxCount),
               "SendCommand writes the first TxCount bytes of TxBuffer, once");
    if (writes[0].status != kFtOk) {
        FUZZ_CHECK(s.LinkStatus == static_cast<std::int32_t>(writes[0].status) &&
                       rig.driver.readsInOperation() == 0,
                   "a failed write ends SendCommand with its status, without reading");
        return;
    }
    FUZZ_CHECK(s.RxCount == s.TxCount, "the echo read asks for as many bytes as were written");
    CheckReceiveReply(rig, receivesBefore);
}

void Receive(LinkRig& rig) {
    rig.state.RxCount = FuzzCount(rig.input);
    const std::uint64_t receivesBefore = rig.driver.receive().number;
    rig.link.ReceiveReply();
    CheckReceiveReply(rig, receivesBefore);
}

void Identify(LinkRig& rig) {
    UpdaterState& s = rig.state;
    const std::uint8_t major = s.DevMajor;
    const std::uint8_t minor = s.DevMinor;
    const bool override = s.VersionOverride;
    rig.protocol.IdentifyDevice();
    FUZZ_CHECK(s.DevMajor <= 15 && s.DevMinor <= 15, "the device version is two nibbles");
    if (s.LinkStatus != 0) {
        FUZZ_CHECK(s.DevMajor == major && s.DevMinor == minor && s.VersionOverride == override,
                   "a failed identify leaves the version fields alone");
        return;
    }
    const auto& writes = rig.driver.writes();
    FUZZ_CHECK(writes.size() == 1 && WriteIs(writes[0], StateBuffer::kTx, kIdentify),
               "a successful identify sent \"GI\" and nothing else");
}

void Write(LinkRig& rig) {
    UpdaterState& s = rig.state;
    s.DeviceAddress = FuzzAddress(rig.input);
    FillBlock(rig);
    const std::int32_t address = s.DeviceAddress;
    const auto block = s.BlockBuffer;
    rig.protocol.WriteBlock();

    FUZZ_CHECK(s.DeviceAddress == address && s.BlockBuffer == block,
               "WriteBlock changes neither DeviceAddress nor BlockBuffer");
    const auto& writes = rig.driver.writes();
    if (!AddressFits(address)) {
        FUZZ_CHECK(writes.empty() && s.LinkStatus != 0,
                   "an address the command cannot carry sends nothing and fails");
        return;
    }
    const std::array<std::uint8_t, 5> command{'W', 'F', 0, static_cast<std::uint8_t>(address >> 8),
                                              static_cast<std::uint8_t>(address & 0xFF)};
    FUZZ_CHECK(writes.size() <= 2, "WriteBlock writes a command and a block at most");
    FUZZ_CHECK(writes.empty() || WriteIs(writes[0], StateBuffer::kTx, command),
               "WriteBlock's first write is \"WF\" with DeviceAddress");
    FUZZ_CHECK(writes.size() < 2 ||
                   WriteIs(writes[1], StateBuffer::kBlock, std::span(block).first(kBlockBytes)),
               "WriteBlock's second write is BlockBuffer's first 2048 bytes");
    if (s.LinkStatus == 0) {
        FUZZ_CHECK(writes.size() == 2 && writes[0].status == kFtOk && writes[1].status == kFtOk,
                   "a successful block write sent the command and the block");
        FUZZ_CHECK(std::equal(kOkay.begin(), kOkay.end(), s.RxBuffer.begin()),
                   "a successful block write was acknowledged with \"OK\"");
        FUZZ_CHECK(!s.ReadTimedOut && !s.ReadFailed, "a successful block write sets no flag");
    }
}

void Verify(LinkRig& rig) {
    UpdaterState& s = rig.state;
    s.DeviceAddress = FuzzAddress(rig.input);
    s.BlockWords = FuzzBlockWords(rig.input);
    FillBlock(rig);
    if (rig.input.Byte() % 2 == 0) {
        rig.board.Hold(s.DeviceAddress, std::span(s.BlockBuffer).first(kBlockBytes));
    }
    const std::int32_t address = s.DeviceAddress;
    const std::int32_t words = s.BlockWords;
    const auto block = s.BlockBuffer;
    const std::uint64_t receivesBefore = rig.driver.receive().number;
    rig.protocol.VerifyBlock();

    FUZZ_CHECK(s.BlockBuffer == block, "VerifyBlock leaves BlockBuffer alone");
    const auto& writes = rig.driver.writes();
    if (!AddressFits(address) || !WordsFit(words)) {
        FUZZ_CHECK(writes.empty() && s.LinkStatus != 0,
                   "an address or length the command cannot carry sends nothing and fails");
        return;
    }
    const std::array<std::uint8_t, 7> command{'R',
                                              'F',
                                              0,
                                              static_cast<std::uint8_t>(address >> 8),
                                              static_cast<std::uint8_t>(address & 0xFF),
                                              static_cast<std::uint8_t>(words >> 8),
                                              static_cast<std::uint8_t>(words & 0xFF)};
    FUZZ_CHECK(
        writes.size() <= 1 && (writes.empty() || WriteIs(writes[0], StateBuffer::kTx, command)),
        "VerifyBlock writes nothing but \"RF\" with DeviceAddress and BlockWords");

    const ReceiveRecord& r = rig.driver.receive();
    const auto length = 4 * static_cast<std::size_t>(words);
    if (s.LinkStatus == 0) {
        FUZZ_CHECK(writes.size() == 1 && writes[0].status == kFtOk,
                   "a successful verify sent its command");
        FUZZ_CHECK(length <= s.ReadBackBuffer.size(), "a successful verify fits ReadBackBuffer");
        FUZZ_CHECK(std::equal(s.ReadBackBuffer.begin(),
                              s.ReadBackBuffer.begin() + static_cast<std::ptrdiff_t>(length),
                              s.BlockBuffer.begin()),
                   "a successful verify read back exactly BlockBuffer");
        FUZZ_CHECK(!s.ReadTimedOut && !s.ReadFailed, "a successful verify sets no flag");
    }
    if (r.number > receivesBefore && r.target == StateBuffer::kReadBack) {
        // The block's own receive ran; judge its end from the reads the driver saw.
        if (!Succeeded(r.lastStatus)) {
            FUZZ_CHECK(s.LinkStatus == STATUS_TRANSFER_FAILED && s.ReadFailed,
                       "a failed read-back read ends with 8 and ReadFailed");
        } else if (r.lastReported == 0) {
            FUZZ_CHECK(s.LinkStatus == STATUS_TRANSFER_FAILED && s.ReadTimedOut,
                       "an empty read-back read ends with 8 and ReadTimedOut");
        } else {
            FUZZ_CHECK(r.bytes.size() == length, "a read-back ends without a flag only when whole");
            const bool same = std::equal(r.bytes.begin(), r.bytes.end(), block.begin());
            const std::int32_t expected = r.lastStatus == kFtIoError
                                              ? static_cast<std::int32_t>(kFtIoError)
                                          : same ? 0
                                                 : STATUS_TRANSFER_FAILED;
            FUZZ_CHECK(s.LinkStatus == expected,
                       "a whole read-back ends with 4 after an input/output error, else 0 "
                       "exactly when it equals BlockBuffer");
        }
    }
}

void Close(LinkRig& rig) {
    rig.link.CloseLink();
    FUZZ_CHECK(rig.state.LinkHandle == 0 && rig.driver.openHandle() == 0,
               "CloseLink closes the link");
}

}  // namespace
}  // namespace korvo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace korvo::fuzz;

    FuzzInput input(std::span(data, size));
    LinkRig rig(input);

    rig.driver.BeginOperation();
    Open(rig);  // start-up opens the link first
    CheckAlways(rig);

    for (int i = 0; i < kMaxOperations && !input.Exhausted(); ++i) {
        const auto operation = static_cast<Operation>(input.UpTo(kLastOperation));
        const std::uint8_t arm = input.Byte();
        rig.pump.Arm(rig.link, arm >= kArmPumpFrom ? (arm & 0x0F) + 1 : 0);
        rig.driver.BeginOperation();
        switch (operation) {
            case kOpen:
                Open(rig);
                break;
            case kSend:
                Send(rig);
                break;
            case kReceive:
                Receive(rig);
                break;
            case kIdentifyDevice:
                Identify(rig);
                break;
            case kWriteBlock:
                Write(rig);
                break;
            case kVerifyBlock:
                Verify(rig);
                break;
            case kClose:
                Close(rig);
                break;
        }
        CheckAlways(rig);
    }

    rig.link.CloseLink();  // the window's unload
    FUZZ_CHECK(rig.driver.openHandle() == 0, "no handle is left open at the end");
    return 0;
}
