// The serial link against the emulated board: opening by description, the set-up calls and
// their failures, the drain after opening, the echo, and the receive loop's ends.
#include "link/serial_link.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "rig.h"

namespace korvo::testing {
namespace {

using korvo::testing::PrintTo;

constexpr FtStatus kInjected = 17;

struct OpenCase {
    std::string name;
    std::vector<std::string> present;  // descriptions the attached adapter answers to
    std::vector<std::string> tried;    // FT_OpenEx descriptions, in order
    bool opens;
};

class OpenByDescription : public ::testing::TestWithParam<OpenCase> {};

TEST_P(OpenByDescription, TriesTheDescriptionsInOrderAndSetsUpOnce) {
    const OpenCase& c = GetParam();
    Rig rig;
    rig.board.descriptions = c.present;
    rig.link.OpenLink();

    std::vector<std::string> tried;
    for (const auto& open : rig.CallsOf(DriverCall::OpenEx)) {
        tried.push_back(open.description);
        EXPECT_EQ(open.args, std::vector<std::uint32_t>{kFtOpenByDescription});
    }
    EXPECT_EQ(tried, c.tried) << rig.DriverTranscript();
    EXPECT_EQ(rig.CallsOf(DriverCall::SetBaudRate).size(), c.opens ? 1U : 0U);
    if (c.opens) {
        EXPECT_EQ(rig.state.LinkStatus, 0);
        EXPECT_EQ(rig.state.LinkHandle, EmulatedBoard::kHandle);
    } else {
        EXPECT_EQ(rig.state.LinkStatus, static_cast<std::int32_t>(kFtDeviceNotFound));
        EXPECT_EQ(rig.state.LinkHandle, 0U);
        EXPECT_TRUE(rig.CallsOf(DriverCall::Close).empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Adapters, OpenByDescription,
    ::testing::Values(
        OpenCase{"Fendral", {"Fendral Serial Link"}, {"Fendral Serial Link"}, true},
        OpenCase{"Ft232r", {"FT232R USB UART"}, {"Fendral Serial Link", "FT232R USB UART"}, true},
        OpenCase{"Both", {"FT232R USB UART", "Fendral Serial Link"}, {"Fendral Serial Link"}, true},
        OpenCase{"Neither", {}, {"Fendral Serial Link", "FT232R USB UART"}, false}),
    [](const auto& info) { return info.param.name; });

TEST(SerialLink, ConfiguresTheAdapterInOrderThenDrainsTwentyBytes) {
    Rig rig;
    rig.link.OpenLink();
    struct Expected {
        DriverCall call;
        std::vector<std::uint32_t> args;
    };
    const std::vector<Expected> expected{
        {DriverCall::OpenEx, {2}},
        {DriverCall::SetBaudRate, {125000}},
        {DriverCall::SetFlowControl, {0, 0, 0}},
        {DriverCall::SetLatencyTimer, {2}},
        {DriverCall::SetUSBParameters, {4096, 0}},
        {DriverCall::SetDataCharacteristics, {8, 0, 0}},
        {DriverCall::SetChars, {0, 0, 0, 0}},
        {DriverCall::SetTimeouts, {250, 0}},
        {DriverCall::Read, {20}},
    };
    const auto& transcript = rig.board.transcript();
    ASSERT_EQ(transcript.size(), expected.size()) << rig.DriverTranscript();
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(transcript[i].call, expected[i].call) << "call " << i;
        EXPECT_EQ(transcript[i].args, expected[i].args) << DriverCallName(expected[i].call);
        EXPECT_EQ(transcript[i].handle, i == 0 ? 0U : EmulatedBoard::kHandle);
    }
    // A silent board: the drain's one read waits out the time-out, and the link still opens.
    EXPECT_EQ(rig.board.now(), EmulatedBoard::kReadTimeout);
    EXPECT_EQ(rig.state.LinkStatus, 0);
}

class SetUpFailure : public ::testing::TestWithParam<DriverCall> {};

TEST_P(SetUpFailure, ClosesTheAdapterAndKeepsTheFailingStatus) {
    const DriverCall failing = GetParam();
    Rig rig;
    rig.board.FailCall(failing, 1, kInjected);
    rig.link.OpenLink();

    EXPECT_EQ(rig.state.LinkStatus, static_cast<std::int32_t>(kInjected)) << rig.DriverTranscript();
    EXPECT_EQ(rig.state.LinkHandle, 0U);
    const auto& transcript = rig.board.transcript();
    ASSERT_FALSE(transcript.empty());
    EXPECT_EQ(transcript.back().call, DriverCall::Close) << "nothing follows the close";
    EXPECT_EQ(transcript.back().handle, EmulatedBoard::kHandle);
    EXPECT_TRUE(rig.CallsOf(DriverCall::Read).empty());
}

INSTANTIATE_TEST_SUITE_P(EachStoppingCall, SetUpFailure,
                         ::testing::Values(DriverCall::SetBaudRate, DriverCall::SetFlowControl,
                                           DriverCall::SetLatencyTimer,
                                           DriverCall::SetDataCharacteristics, DriverCall::SetChars,
                                           DriverCall::SetTimeouts),
                         [](const auto& info) { return std::string(DriverCallName(info.param)); });

TEST(SerialLink, OpensWhenOnlyTheUsbParametersAreRefused) {
    Rig rig;
    rig.board.FailCall(DriverCall::SetUSBParameters, 1, kInjected);
    rig.link.OpenLink();
    EXPECT_EQ(rig.state.LinkStatus, 0);
    EXPECT_EQ(rig.state.LinkHandle, EmulatedBoard::kHandle);
    EXPECT_EQ(rig.CallsOf(DriverCall::SetTimeouts).size(), 1U);
    EXPECT_TRUE(rig.CallsOf(DriverCall::Close).empty());
}

TEST(SerialLink, DrainTakesTwentyBannerBytesAndLeavesTheRest) {
    Rig rig;
    std::vector<std::uint8_t> banner;
    for (int i = 0; i < 30; ++i) {
        banner.push_back(static_cast<std::uint8_t>('a' + i % 26));
    }
    rig.board.QueueBanner(banner);
    rig.link.OpenLink();
    ASSERT_EQ(rig.state.LinkStatus, 0);
    ASSERT_EQ(rig.CallsOf(DriverCall::Read).at(0).bytes.size(), 20U);

    rig.state.RxCount = 10;
    rig.link.ReceiveReply();
    EXPECT_EQ(rig.state.LinkStatus, 0);
    EXPECT_EQ(Head(rig.state.RxBuffer, 10), std::string(banner.begin() + 20, banner.end()));
}

// Receives after a link opened with 20 bytes of banner (taken by the drain) and `payload` behind
// them; read 2 is the first read of the receive under test.
struct ReceiveCase {
    std::string name;
    std::string payload;
    std::function<void(Rig&)> fault;
    std::int32_t status;
    bool timedOut;
    bool failed;
    std::string received;              // RxBuffer's first RxCount bytes afterwards
    std::vector<std::uint32_t> asked;  // what each read of the receive asked for
};

class ReceiveReplyEnds : public ::testing::TestWithParam<ReceiveCase> {};

TEST_P(ReceiveReplyEnds, WithTheRightStatusFlagsAndBytes) {
    const ReceiveCase& c = GetParam();
    Rig rig;
    const std::string banner = std::string(20, '#') + c.payload;
    rig.board.QueueBanner({banner.begin(), banner.end()});
    if (c.fault) {
        c.fault(rig);
    }
    rig.link.OpenLink();
    ASSERT_EQ(rig.state.LinkStatus, 0);

    rig.state.RxCount = 4;
    rig.link.ReceiveReply();
    EXPECT_EQ(rig.state.LinkStatus, c.status) << rig.DriverTranscript();
    EXPECT_EQ(rig.state.ReadTimedOut, c.timedOut);
    EXPECT_EQ(rig.state.ReadFailed, c.failed);
    EXPECT_EQ(Head(rig.state.RxBuffer, 4), c.received);
    EXPECT_EQ(rig.state.RxBuffer[4], kBlank);
    std::vector<std::uint32_t> asked;
    const auto reads = rig.CallsOf(DriverCall::Read);
    for (std::size_t i = 1; i < reads.size(); ++i) {
        asked.push_back(reads[i].args.at(0));
    }
    EXPECT_EQ(asked, c.asked);
    EXPECT_EQ(rig.board.callsOnStaleHandle(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReceiveReplyEnds,
    ::testing::Values(
        ReceiveCase{"Whole", "ABCD", nullptr, 0, false, false, "ABCD", {4}},
        ReceiveCase{"InPieces",
                    "ABCD",
                    [](Rig& r) {
                        r.board.LimitRead(2, 1);
                        r.board.LimitRead(3, 2);
                    },
                    0,
                    false,
                    false,
                    "ABCD",
                    {4, 3, 1}},
        ReceiveCase{
            "OneByteShort", "ABC", nullptr, STATUS_TRANSFER_FAILED, true, false, "ABC ", {4, 1}},
        ReceiveCase{"SilentDevice", "", nullptr, STATUS_TRANSFER_FAILED, true, false, "    ", {4}},
        ReceiveCase{"IoErrorOnCompletingRead",
                    "ABCD",
                    [](Rig& r) { r.board.ReadStatus(2, kFtIoError); },
                    4,
                    false,
                    false,
                    "ABCD",
                    {4}},
        ReceiveCase{"IoErrorWithBytesCarriesOn",
                    "ABCD",
                    [](Rig& r) {
                        r.board.LimitRead(2, 2);
                        r.board.ReadStatus(2, kFtIoError);
                    },
                    0,
                    false,
                    false,
                    "ABCD",
                    {4, 2}},
        ReceiveCase{"DriverFailure",
                    "ABCD",
                    [](Rig& r) { r.board.FailCall(DriverCall::Read, 2, kInjected); },
                    STATUS_TRANSFER_FAILED,
                    false,
                    true,
                    "    ",
                    {4}},
        ReceiveCase{"LinkClosedBetweenReads",
                    "ABCD",
                    [](Rig& r) {
                        r.board.LimitRead(2, 2);
                        // The pump after the receive's first read runs a close of the window.
                        r.window.onPump = [&r](int pump) {
                            if (pump == 2) {
                                r.link.CloseLink();
                            }
                        };
                    },
                    STATUS_TRANSFER_FAILED,
                    false,
                    true,
                    "AB  ",
                    {4, 2}}),
    [](const auto& info) { return info.param.name; });

TEST(SerialLink, ReadOnHandleZeroFailsAndIsNeverTakenForAnInputOutputError) {
    Rig rig;
    std::uint8_t byte = 0;
    std::uint32_t got = 0;
    const FtStatus status = rig.board.FT_Read(0, &byte, 1, &got);
    EXPECT_NE(status, kFtOk);
    EXPECT_NE(status, kFtIoError);
}

TEST(SerialLink, SendCommandTakesBackTheEcho) {
    Rig rig;
    rig.link.OpenLink();
    StoreText(rig.state.TxBuffer, "GI");
    rig.state.TxCount = 2;
    rig.link.SendCommand();
    EXPECT_EQ(rig.state.LinkStatus, 0);
    EXPECT_EQ(Head(rig.state.RxBuffer, 3), "GI ");
    EXPECT_EQ(rig.CallsOf(DriverCall::Write).at(0).bytes, (std::vector<std::uint8_t>{'G', 'I'}));
}

TEST(SerialLink, SendCommandReadsNothingWhenTheWriteFails) {
    Rig rig;
    rig.link.OpenLink();
    rig.board.FailCall(DriverCall::Write, 1, kInjected);
    StoreText(rig.state.TxBuffer, "GI");
    rig.state.TxCount = 2;
    rig.link.SendCommand();
    EXPECT_EQ(rig.state.LinkStatus, static_cast<std::int32_t>(kInjected));
    EXPECT_EQ(rig.CallsOf(DriverCall::Read).size(), 1U) << "only the opening drain";
}

TEST(SerialLink, RefusesCountsPastTheTextBuffers) {
    for (const std::int32_t count : {-1, 4097}) {
        Rig rig;
        rig.link.OpenLink();
        const std::size_t callsBefore = rig.board.transcript().size();
        rig.state.TxCount = count;
        rig.link.SendCommand();
        EXPECT_EQ(rig.state.LinkStatus, STATUS_TRANSFER_FAILED) << count;
        rig.state.RxCount = count;
        rig.link.ReceiveReply();
        EXPECT_EQ(rig.state.LinkStatus, STATUS_TRANSFER_FAILED) << count;
        EXPECT_EQ(rig.board.transcript().size(), callsBefore) << count;
    }
}

TEST(SerialLink, CloseLinkClosesOnceAndOnlyAnOpenLink) {
    Rig rig;
    rig.link.CloseLink();
    EXPECT_TRUE(rig.board.transcript().empty()) << "a closed link makes no driver call";

    rig.link.OpenLink();
    rig.state.LinkStatus = 123;
    rig.link.CloseLink();
    rig.link.CloseLink();
    EXPECT_EQ(rig.CallsOf(DriverCall::Close).size(), 1U);
    EXPECT_EQ(rig.state.LinkHandle, 0U);
    EXPECT_EQ(rig.state.LinkStatus, 123) << "closing leaves the status alone";
    EXPECT_FALSE(rig.board.isOpen());
}

}  // namespace
}  // namespace korvo::testing
