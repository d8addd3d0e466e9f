// The serial link over the Linux tty driver and the board emulator program: opening with the
// real set-up calls and time-outs, the bytes left after the opening drain, and one exchange.
#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "emulator_process.h"
#include "link/linux/fixed_port_finder.h"
#include "link/linux/linux_tty_driver.h"
#include "link/serial_link.h"
#include "pty_board.h"
#include "state/updater_state.h"

namespace korvo {
namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

class NoWindowEvents : public EventPump {
public:
    void PumpEvents() override {}
};

class SerialLinkOnEmulator : public ::testing::Test {
protected:
    void StartBoard(const std::vector<std::string>& arguments) {
        ASSERT_TRUE(m_board.Start(KORVO_BOARD_EMULATOR, arguments));
        // Only the first description names the board: the link must not need the second.
        m_driver = std::make_unique<LinuxTtyDriver>(
            std::make_unique<FixedPortFinder>(std::map<std::string, std::string, std::less<>>{
                {std::string(kAdapterDescriptions[0]), m_board.portPath()}}));
        m_link = std::make_unique<SerialLink>(*m_state, *m_driver, m_pump);
    }

    Bytes Received(std::size_t count) const {
        return Bytes(m_state->RxBuffer.begin(), m_state->RxBuffer.begin() + count);
    }

    test::EmulatorProcess m_board;
    std::unique_ptr<UpdaterState> m_state = std::make_unique<UpdaterState>();
    NoWindowEvents m_pump;
    std::unique_ptr<LinuxTtyDriver> m_driver;
    std::unique_ptr<SerialLink> m_link;
};

TEST_F(SerialLinkOnEmulator, OpensAfterWaitingOutAQuietBoardAndExchangesIdentify) {
    StartBoard({"--exit-on-close"});
    const auto start = Clock::now();
    m_link->OpenLink();
    EXPECT_GE(Clock::now() - start, kReadTimeout) << "the opening drain did not wait";
    ASSERT_EQ(m_state->LinkStatus, 0);
    ASSERT_NE(m_state->LinkHandle, 0u);

    StoreText(m_state->TxBuffer, "GI");
    m_state->TxCount = 2;
    m_link->SendCommand();
    EXPECT_EQ(m_state->LinkStatus, 0);
    EXPECT_EQ(Received(2), (Bytes{'G', 'I'}));
    m_state->RxCount = 4;
    m_link->ReceiveReply();
    EXPECT_EQ(m_state->LinkStatus, 0);
    EXPECT_EQ(Received(4), (Bytes{'J', 'D', 0x00, 0x17}));

    m_link->CloseLink();
    EXPECT_EQ(m_state->LinkHandle, 0u);
    EXPECT_EQ(m_board.WaitForExit(std::chrono::milliseconds{2000}), 0) << "the port stayed open";
}

TEST_F(SerialLinkOnEmulator, OpeningDrainTakesTwentyBannerBytesAndLeavesTheRest) {
    constexpr std::size_t kBannerBytes = 30;
    StartBoard({"--banner", std::to_string(kBannerBytes)});
    m_link->OpenLink();
    ASSERT_EQ(m_state->LinkStatus, 0);

    m_state->RxCount = kBannerBytes - kOpeningDrainBytes;
    m_link->ReceiveReply();
    EXPECT_EQ(m_state->LinkStatus, 0);
    Bytes rest;
    for (std::size_t i = kOpeningDrainBytes; i < kBannerBytes; ++i) {
        rest.push_back(
            static_cast<std::uint8_t>(PtyBoard::kBannerText[i % PtyBoard::kBannerText.size()]));
    }
    EXPECT_EQ(Received(rest.size()), rest);
}

}  // namespace
}  // namespace korvo
