// The block write ("WF") and block read-back ("RF") exchanges against the emulated board: the
// command bytes, the single data write, every point where an exchange can stop, and refused sizes.
#include "protocol/loader_protocol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "rig.h"

namespace korvo::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Exchange = void (LoaderProtocol::*)();

constexpr FtStatus kDriverFailure = kFtOtherError;  // any status other than 0 and 4
constexpr std::int32_t kAddress = 1024;             // the first block the flash sequence writes
constexpr std::int32_t kWordsPerBlock = 512;
constexpr std::uint8_t kSpareByte = 0xA5;  // BlockBuffer's index 2048, which a block never uses

// The board numbers reads and writes from the link's opening on: OpenLink drains the line with
// one FT_Read and writes nothing. ExchangeRead(n) is the n-th read of the first exchange.
constexpr int kOpeningReads = 1;
constexpr int ExchangeRead(int n) {
    return kOpeningReads + n;
}
constexpr int kCommandWrite = 1;
constexpr int kDataWrite = 2;

// A block whose bytes differ from their neighbours and from one 256-byte run to the next.
void FillBlock(UpdaterState& state) {
    for (std::size_t i = 0; i < kBlockBytes; ++i) {
        state.BlockBuffer[i] = static_cast<std::uint8_t>((i * 37 + i / 256 + 11) & 0xFF);
    }
    state.BlockBuffer[kBlockBytes] = kSpareByte;
}

std::size_t FlashOffset(std::int32_t address) {
    return static_cast<std::size_t>(address) * 2;
}

// What a case of an exchange expects: the outcome, and which calls the exchange made.
struct ExchangeCase {
    std::string name;
    std::function<void(Rig&)> fault;
    std::int32_t status;
    bool timedOut;
    bool failed;
    int writes;                             // FT_Write calls of the exchange, failed ones included
    std::vector<std::uint32_t> readsAsked;  // the count that each FT_Read of the exchange asked for
};

void PrintTo(const ExchangeCase& c, std::ostream* out) {
    *out << c.name;
}

class BlockExchange : public ::testing::Test {
protected:
    void SetUp() override {
        rig.link.OpenLink();
        ASSERT_EQ(rig.state.LinkStatus, 0) << rig.DriverTranscript();
        // The opening drain times out; start from clear flags so that each case sees its own.
        rig.state.ReadTimedOut = false;
        rig.state.ReadFailed = false;
        FillBlock(rig.state);
        rig.state.DeviceAddress = kAddress;
        rig.state.BlockWords = kWordsPerBlock;
    }

    std::size_t Mark() const { return rig.board.transcript().size(); }

    // The driver calls from `mark` on, up to `end` when given.
    std::vector<DriverRecord> CallsSince(std::size_t mark, std::size_t end = SIZE_MAX) const {
        const auto& all = rig.board.transcript();
        end = std::min(end, all.size());
        return {all.begin() + static_cast<std::ptrdiff_t>(mark),
                all.begin() + static_cast<std::ptrdiff_t>(end)};
    }

    std::vector<DriverRecord> CallsOfKind(DriverCall kind, std::size_t mark,
                                          std::size_t end = SIZE_MAX) const {
        std::vector<DriverRecord> found;
        for (const auto& record : CallsSince(mark, end)) {
            if (record.call == kind) {
                found.push_back(record);
            }
        }
        return found;
    }

    std::vector<std::uint32_t> ReadsAskedSince(std::size_t mark) const {
        std::vector<std::uint32_t> asked;
        for (const auto& read : CallsOfKind(DriverCall::Read, mark)) {
            asked.push_back(read.args.at(0));
        }
        return asked;
    }

    Bytes Block() const {
        return Bytes(rig.state.BlockBuffer.begin(),
                     rig.state.BlockBuffer.begin() + static_cast<std::ptrdiff_t>(kBlockBytes));
    }

    void PlaceBlockInFlash(std::int32_t address) {
        std::copy_n(
            rig.state.BlockBuffer.begin(), kBlockBytes,
            rig.board.loader().flash().begin() + static_cast<std::ptrdiff_t>(FlashOffset(address)));
    }

    // Runs one exchange after the case's fault set-up and checks its outcome and its calls.
    void RunCase(Exchange exchange, const ExchangeCase& c) {
        c.fault(rig);
        const std::size_t mark = Mark();
        (rig.protocol.*exchange)();
        SCOPED_TRACE("driver calls:\n" + rig.DriverTranscript());

        EXPECT_EQ(rig.state.LinkStatus, c.status);
        EXPECT_EQ(rig.state.ReadTimedOut, c.timedOut);
        EXPECT_EQ(rig.state.ReadFailed, c.failed);
        const auto calls = CallsSince(mark);
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.front().call, DriverCall::Purge);
        EXPECT_EQ(CallsOfKind(DriverCall::Write, mark).size(), static_cast<std::size_t>(c.writes));
        EXPECT_EQ(ReadsAskedSince(mark), c.readsAsked);
    }

    Rig rig;
};

// --- The round trip: command bytes, the purge that opens each exchange, the data write, and
// where the block lands in the board's flash.

struct RoundTripCase {
    std::string name;
    std::int32_t address;
    Bytes writeCommand;
    Bytes readCommand;
};

void PrintTo(const RoundTripCase& c, std::ostream* out) {
    *out << c.name;
}

class BlockRoundTrip : public BlockExchange, public ::testing::WithParamInterface<RoundTripCase> {};

TEST_P(BlockRoundTrip, SendsTheAddressedCommandsAndFillsOnlyTheBlocksFlash) {
    const RoundTripCase& c = GetParam();
    rig.state.DeviceAddress = c.address;
    const auto blockBefore = rig.state.BlockBuffer;

    const std::size_t writeMark = Mark();
    rig.protocol.WriteBlock();
    SCOPED_TRACE("driver calls:\n" + rig.DriverTranscript());
    EXPECT_EQ(rig.state.LinkStatus, 0);
    EXPECT_EQ(rig.state.DeviceAddress, c.address);
    EXPECT_EQ(rig.state.BlockBuffer, blockBefore);

    const std::size_t verifyMark = Mark();
    rig.protocol.VerifyBlock();
    EXPECT_EQ(rig.state.LinkStatus, 0);
    EXPECT_FALSE(rig.state.ReadTimedOut);
    EXPECT_FALSE(rig.state.ReadFailed);

    for (const std::size_t mark : {writeMark, verifyMark}) {
        const auto calls = CallsSince(mark);
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.front().call, DriverCall::Purge);
        EXPECT_EQ(calls.front().args, std::vector<std::uint32_t>{kFtPurgeRxTx});
    }

    const auto writes = CallsOfKind(DriverCall::Write, writeMark, verifyMark);
    const auto verifyWrites = CallsOfKind(DriverCall::Write, verifyMark);
    ASSERT_EQ(writes.size(), 2U) << "the WF command and the data, nothing else";
    EXPECT_EQ(writes[0].bytes, c.writeCommand);
    // The data leaves in one write of exactly the block, straight from BlockBuffer.
    EXPECT_EQ(writes[1].args, std::vector<std::uint32_t>{kBlockBytes});
    EXPECT_EQ(writes[1].bytes, Block());
    ASSERT_EQ(verifyWrites.size(), 1U);
    EXPECT_EQ(verifyWrites[0].bytes, c.readCommand);

    const auto& flash = rig.board.loader().flash();
    const auto start = static_cast<std::ptrdiff_t>(FlashOffset(c.address));
    const auto end = start + static_cast<std::ptrdiff_t>(kBlockBytes);
    EXPECT_EQ(Bytes(flash.begin() + start, flash.begin() + end), Block());
    const auto erased = [](std::uint8_t b) { return b == kErasedByte; };
    EXPECT_TRUE(std::all_of(flash.begin(), flash.begin() + start, erased)) << "before the block";
    EXPECT_TRUE(std::all_of(flash.begin() + end, flash.end(), erased)) << "after the block";
    EXPECT_EQ(rig.board.loader().writtenAddresses(),
              std::vector<std::uint32_t>{static_cast<std::uint32_t>(c.address)});
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, BlockRoundTrip,
    ::testing::Values(RoundTripCase{"Address0",
                                    0,
                                    {0x57, 0x46, 0x00, 0x00, 0x00},
                                    {0x52, 0x46, 0x00, 0x00, 0x00, 0x02, 0x00}},
                      RoundTripCase{"Address1024",
                                    1024,
                                    {0x57, 0x46, 0x00, 0x04, 0x00},
                                    {0x52, 0x46, 0x00, 0x04, 0x00, 0x02, 0x00}},
                      RoundTripCase{"Address63488",
                                    63'488,
                                    {0x57, 0x46, 0x00, 0xF8, 0x00},
                                    {0x52, 0x46, 0x00, 0xF8, 0x00, 0x02, 0x00}}),
    [](const auto& info) { return info.param.name; });

// --- WriteBlock: where the exchange stops, and what the acknowledgement must be.
// Reads of the exchange: 1 the command's echo (5), 2 the data's echo (2048), 3 the answer (2).

class WriteBlockOutcome : public BlockExchange,
                          public ::testing::WithParamInterface<ExchangeCase> {};

TEST_P(WriteBlockOutcome, EndsWithTheExpectedStatusAndCalls) {
    RunCase(&LoaderProtocol::WriteBlock, GetParam());
}

void Answer(Rig& r, Bytes answer) {
    r.board.EditAnswer('W', 1, [answer](Bytes& bytes) { bytes = answer; });
}

const std::vector<ExchangeCase> kWriteCases{
    {"SucceedsWhenAcknowledgedWithOk", [](Rig&) {}, 0, false, false, 2, {5, 2048, 2}},
    {"PassesOnFailedCommandWrite",
     [](Rig& r) { r.board.FailCall(DriverCall::Write, kCommandWrite, kDriverFailure); },
     static_cast<std::int32_t>(kDriverFailure),
     false,
     false,
     1,
     {}},
    {"SendsNoDataWhenCommandEchoIsCutShort",
     [](Rig& r) { r.board.EditEcho(kCommandWrite, [](Bytes& echo) { echo.resize(3); }); },
     STATUS_TRANSFER_FAILED,
     true,
     false,
     1,
     {5, 2}},
    {"SendsNoDataWhenCommandEchoReadFails",
     [](Rig& r) { r.board.FailCall(DriverCall::Read, ExchangeRead(1), kDriverFailure); },
     STATUS_TRANSFER_FAILED,
     false,
     true,
     1,
     {5}},
    {"SendsNoDataWhenCommandEchoEndsWithIoError",
     [](Rig& r) { r.board.ReadStatus(ExchangeRead(1), kFtIoError); },
     static_cast<std::int32_t>(kFtIoError),
     false,
     false,
     1,
     {5}},
    {"ReadsNothingAfterFailedDataWrite",
     [](Rig& r) { r.board.FailCall(DriverCall::Write, kDataWrite, kDriverFailure); },
     static_cast<std::int32_t>(kDriverFailure),
     false,
     false,
     2,
     {5}},
    // 2000 echoed bytes and "OK" arrive; the read for the other 46 brings nothing.
    {"ReadsNoAcknowledgementWhenDataEchoIsCutShort",
     [](Rig& r) { r.board.EditEcho(kDataWrite, [](Bytes& echo) { echo.resize(2000); }); },
     STATUS_TRANSFER_FAILED,
     true,
     false,
     2,
     {5, 2048, 46}},
    {"ReadsNoAcknowledgementWhenDataEchoEndsWithIoError",
     [](Rig& r) { r.board.ReadStatus(ExchangeRead(2), kFtIoError); },
     static_cast<std::int32_t>(kFtIoError),
     false,
     false,
     2,
     {5, 2048}},
    {"RejectsLowerCaseAcknowledgement",
     [](Rig& r) {
         Answer(r, {'o', 'k'});
     },
     STATUS_TRANSFER_FAILED,
     false,
     false,
     2,
     {5, 2048, 2}},
    {"RejectsReversedAcknowledgement",
     [](Rig& r) {
         Answer(r, {'K', 'O'});
     },
     STATUS_TRANSFER_FAILED,
     false,
     false,
     2,
     {5, 2048, 2}},
    {"RejectsLoneOFollowedBySilence",
     [](Rig& r) { Answer(r, {'O'}); },
     STATUS_TRANSFER_FAILED,
     true,
     false,
     2,
     {5, 2048, 2, 1}},
    // The data's echo is not examined: only the read-back catches a bad block.
    {"AcceptsCorruptedDataEchoFollowedByOk",
     [](Rig& r) {
         r.board.EditEcho(kDataWrite, [](Bytes& echo) {
             echo.front() ^= 0xFF;
             echo[1000] ^= 0x55;
             echo.back() ^= 0x01;
         });
     },
     0,
     false,
     false,
     2,
     {5, 2048, 2}},
    {"KeepsIoErrorOfAcknowledgementReadWithOk",
     [](Rig& r) { r.board.ReadStatus(ExchangeRead(3), kFtIoError); },
     static_cast<std::int32_t>(kFtIoError),
     false,
     false,
     2,
     {5, 2048, 2}},
    {"RejectsReversedAcknowledgementReadWithIoError",
     [](Rig& r) {
         r.board.ReadStatus(ExchangeRead(3), kFtIoError);
         Answer(r, {'K', 'O'});
     },
     STATUS_TRANSFER_FAILED,
     false,
     false,
     2,
     {5, 2048, 2}},
    // The failing read still stored "OK" in RxBuffer; the read's failure stands.
    {"KeepsFailureOfAcknowledgementReadDespiteOk",
     [](Rig& r) { r.board.ReadStatus(ExchangeRead(3), kDriverFailure); },
     STATUS_TRANSFER_FAILED,
     false,
     true,
     2,
     {5, 2048, 2}},
};

INSTANTIATE_TEST_SUITE_P(Faults, WriteBlockOutcome, ::testing::ValuesIn(kWriteCases),
                         [](const auto& info) { return info.param.name; });

// --- VerifyBlock and ReceiveBlock: how the block comes back, and what ends the read-back.
// The board's flash holds the block at the address. Reads of the exchange: 1 the command's echo
// (7), 2 on the block (2048 at first, then what is still missing).

class VerifyBlockOutcome : public BlockExchange,
                           public ::testing::WithParamInterface<ExchangeCase> {
protected:
    void SetUp() override {
        BlockExchange::SetUp();
        PlaceBlockInFlash(kAddress);
    }
};

TEST_P(VerifyBlockOutcome, EndsWithTheExpectedStatusAndCalls) {
    RunCase(&LoaderProtocol::VerifyBlock, GetParam());
}

void CorruptFlash(Rig& r, std::size_t index) {
    r.board.loader().flash()[FlashOffset(kAddress) + index] ^= 0x01;
}

const std::vector<ExchangeCase> kVerifyCases{
    {"AcceptsIdenticalBlock", [](Rig&) {}, 0, false, false, 1, {7, 2048}},
    {"JoinsReplyArrivingInTwoPieces",
     [](Rig& r) { r.board.LimitRead(ExchangeRead(2), 1000); },
     0,
     false,
     false,
     1,
     {7, 2048, 1048}},
    {"RejectsBlockDifferingOnlyInLastByte",
     [](Rig& r) { CorruptFlash(r, kBlockBytes - 1); },
     STATUS_TRANSFER_FAILED,
     false,
     false,
     1,
     {7, 2048}},
    {"RejectsBlockDifferingOnlyInFirstByte",
     [](Rig& r) { CorruptFlash(r, 0); },
     STATUS_TRANSFER_FAILED,
     false,
     false,
     1,
     {7, 2048}},
    // ReadBackBuffer already holds the block, so only the time-out can fail this read-back.
    {"TimesOutOnReplyStoppingAfter2000Bytes",
     [](Rig& r) {
         r.state.ReadBackBuffer = r.state.BlockBuffer;
         r.board.EditAnswer('R', 1, [](Bytes& answer) { answer.resize(2000); });
     },
     STATUS_TRANSFER_FAILED,
     true,
     false,
     1,
     {7, 2048, 48}},
    {"KeepsIoErrorOfReadCompletingBlock",
     [](Rig& r) { r.board.ReadStatus(ExchangeRead(2), kFtIoError); },
     static_cast<std::int32_t>(kFtIoError),
     false,
     false,
     1,
     {7, 2048}},
    // A comparison would say 8; the status 4 of the completing read stops before it.
    {"DoesNotCompareAfterIoErrorOfReadCompletingBlock",
     [](Rig& r) {
         CorruptFlash(r, 5);
         r.board.ReadStatus(ExchangeRead(2), kFtIoError);
     },
     static_cast<std::int32_t>(kFtIoError),
     false,
     false,
     1,
     {7, 2048}},
    {"AcceptsIoErrorOfEarlierPiece",
     [](Rig& r) {
         r.board.LimitRead(ExchangeRead(2), 1000);
         r.board.ReadStatus(ExchangeRead(2), kFtIoError);
     },
     0,
     false,
     false,
     1,
     {7, 2048, 1048}},
    {"FailsOnDriverFailureOfBlockRead",
     [](Rig& r) { r.board.FailCall(DriverCall::Read, ExchangeRead(2), kDriverFailure); },
     STATUS_TRANSFER_FAILED,
     false,
     true,
     1,
     {7, 2048}},
    {"FailsOnDriverFailureOfSecondPiece",
     [](Rig& r) {
         r.board.LimitRead(ExchangeRead(2), 1000);
         r.board.FailCall(DriverCall::Read, ExchangeRead(3), kDriverFailure);
     },
     STATUS_TRANSFER_FAILED,
     false,
     true,
     1,
     {7, 2048, 1048}},
    {"PassesOnFailedCommandWrite",
     [](Rig& r) { r.board.FailCall(DriverCall::Write, kCommandWrite, kDriverFailure); },
     static_cast<std::int32_t>(kDriverFailure),
     false,
     false,
     1,
     {}},
    {"ReadsNoBlockWhenCommandEchoReadFails",
     [](Rig& r) { r.board.FailCall(DriverCall::Read, ExchangeRead(1), kDriverFailure); },
     STATUS_TRANSFER_FAILED,
     false,
     true,
     1,
     {7}},
    {"ReadsNoBlockWhenCommandEchoTimesOut",
     [](Rig& r) {
         r.board.EditEcho(kCommandWrite, [](Bytes& echo) { echo.clear(); });
         r.board.EditAnswer('R', 1, [](Bytes& answer) { answer.clear(); });
     },
     STATUS_TRANSFER_FAILED,
     true,
     false,
     1,
     {7}},
};

INSTANTIATE_TEST_SUITE_P(Faults, VerifyBlockOutcome, ::testing::ValuesIn(kVerifyCases),
                         [](const auto& info) { return info.param.name; });

class BlockReadBack : public BlockExchange {
protected:
    void SetUp() override {
        BlockExchange::SetUp();
        PlaceBlockInFlash(kAddress);
    }
};

TEST_F(BlockReadBack, RunsTheEventPumpOnlyWhileReadingTheEcho) {
    // The echo comes in two pieces and the block in three, so each loop reads more than once.
    rig.board.LimitRead(ExchangeRead(1), 3);
    rig.board.LimitRead(ExchangeRead(3), 700);
    rig.board.LimitRead(ExchangeRead(4), 700);
    std::vector<int> pumpsAtRead;
    rig.board.beforeCall = [this, &pumpsAtRead](DriverCall call, int) {
        if (call == DriverCall::Read) {
            pumpsAtRead.push_back(rig.window.pumps);
        }
    };
    const int before = rig.window.pumps;
    const std::size_t mark = Mark();
    rig.protocol.VerifyBlock();
    rig.board.beforeCall = nullptr;
    SCOPED_TRACE("driver calls:\n" + rig.DriverTranscript());

    EXPECT_EQ(rig.state.LinkStatus, 0);
    ASSERT_EQ(ReadsAskedSince(mark), (std::vector<std::uint32_t>{7, 4, 2048, 1348, 648}));
    // One pump after each echo read, none between or after the block reads.
    EXPECT_EQ(pumpsAtRead,
              (std::vector<int>{before, before + 1, before + 2, before + 2, before + 2}));
    EXPECT_EQ(rig.window.pumps, before + 2);
}

// --- Addresses and lengths that the commands cannot carry are refused before anything is sent.

struct RefusedCase {
    std::string name;
    Exchange exchange;
    std::int32_t address;
    std::int32_t words;
};

void PrintTo(const RefusedCase& c, std::ostream* out) {
    *out << c.name;
}

class UnsendableBlock : public BlockExchange, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(UnsendableBlock, IsRefusedAfterThePurgeAlone) {
    const RefusedCase& c = GetParam();
    rig.state.DeviceAddress = c.address;
    rig.state.BlockWords = c.words;
    const std::size_t mark = Mark();
    (rig.protocol.*c.exchange)();
    SCOPED_TRACE("driver calls:\n" + rig.DriverTranscript());

    EXPECT_EQ(rig.state.LinkStatus, STATUS_TRANSFER_FAILED);
    const auto calls = CallsSince(mark);
    ASSERT_EQ(calls.size(), 1U);
    EXPECT_EQ(calls[0].call, DriverCall::Purge);
    EXPECT_EQ(calls[0].args, std::vector<std::uint32_t>{kFtPurgeRxTx});
    const auto& flash = rig.board.loader().flash();
    EXPECT_TRUE(
        std::all_of(flash.begin(), flash.end(), [](std::uint8_t b) { return b == kErasedByte; }));
    EXPECT_TRUE(rig.board.loader().writtenAddresses().empty());
}

INSTANTIATE_TEST_SUITE_P(
    OutOfRange, UnsendableBlock,
    ::testing::Values(
        RefusedCase{"WriteAt65536", &LoaderProtocol::WriteBlock, 65'536, kWordsPerBlock},
        RefusedCase{"WriteAt70000", &LoaderProtocol::WriteBlock, 70'000, kWordsPerBlock},
        RefusedCase{"WriteAtMinus1", &LoaderProtocol::WriteBlock, -1, kWordsPerBlock},
        RefusedCase{"VerifyAt65536", &LoaderProtocol::VerifyBlock, 65'536, kWordsPerBlock},
        RefusedCase{"VerifyAt70000", &LoaderProtocol::VerifyBlock, 70'000, kWordsPerBlock},
        RefusedCase{"VerifyAtMinus1", &LoaderProtocol::VerifyBlock, -1, kWordsPerBlock},
        RefusedCase{"VerifyOf65536Words", &LoaderProtocol::VerifyBlock, kAddress, 65'536},
        RefusedCase{"VerifyOf513Words", &LoaderProtocol::VerifyBlock, kAddress, 513},
        RefusedCase{"VerifyOfMinus1Words", &LoaderProtocol::VerifyBlock, kAddress, -1}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace korvo::testing
