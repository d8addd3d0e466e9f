// The flash sequence's block loop: copy the block, write it until the loader acknowledges it,
// read it back until it compares equal, all within one budget; then the next block.
#include "update/flash_sequence.h"

#include <algorithm>
#include <string_view>

#include "app/messages.h"

namespace korvo {
namespace {

enum class BlockOutcome { Done, WriteFailed, VerifyFailed };

// Writes and verifies the block at ImageOffset to DeviceAddress within a fresh budget.
BlockOutcome FlashBlock(UpdateContext& context) {
    UpdaterState& state = context.state;
    const auto blockBytes = static_cast<std::ptrdiff_t>(4 * state.BlockWords);
    state.RetriesLeft = kAttemptsPerBlock;
    for (;;) {
        // Refilled before every attempt: nothing a failed exchange did can reach the next one.
        const auto from = state.ImageBuffer.begin() + state.ImageOffset;
        std::copy(from, from + blockBytes, state.BlockBuffer.begin());
        context.protocol.WriteBlock();
        if (state.LinkStatus == 0) {
            break;
        }
        if (--state.RetriesLeft == 0) {
            return BlockOutcome::WriteFailed;
        }
    }
    for (;;) {
        context.protocol.VerifyBlock();
        if (state.LinkStatus == 0) {
            return BlockOutcome::Done;
        }
        if (--state.RetriesLeft == 0) {
            return BlockOutcome::VerifyFailed;
        }
    }
}

void ReportFailure(UpdateContext& context, BlockOutcome outcome, bool finalBlock) {
    const bool write = outcome == BlockOutcome::WriteFailed;
    std::string_view text;
    if (finalBlock) {
        text = write ? kFinalWriteFailureText : kFinalVerifyFailureText;
    } else {
        text = write ? kWriteFailureText : kVerifyFailureText;
    }
    context.window.ShowMessage(text, MessageStyle::Plain,
                               write ? kWriteFailureTitle : kVerifyFailureTitle);
    context.state.UpdateError = true;
}

}  // namespace

void FlashDevice(UpdateContext& context) {
    UpdaterState& state = context.state;
    WindowServices& window = context.window;
    UsbSerialDriver& driver = context.link.driver();

    window.SetButtonVisible(kFlashDeviceButton, false);
    window.SetButtonVisible(kAbortFlashButton, false);
    window.SetProgressVisible(true);
    window.SetProgressValue(0);
    window.SetLabelText(Label::StatusText, kFlashingText);
    driver.FT_Purge(state.LinkHandle, kFtPurgeRxTx);
    window.SetProgressMax(kProgressMax);
    state.BlockWords = kBlockWords;
    window.SetProgressValue(0);
    driver.FT_Purge(state.LinkHandle, kFtPurgeRxTx);

    state.ImageOffset = kFirstImageOffset;
    state.DeviceAddress = kFirstDeviceAddress;
    const int mainPassBlocks = kMainPassWords / state.BlockWords;
    for (int block = 0; block < mainPassBlocks; ++block) {
        window.SetProgressValue(block);
        window.PumpEvents();
        const BlockOutcome outcome = FlashBlock(context);
        if (outcome != BlockOutcome::Done) {
            ReportFailure(context, outcome, false);
            return;
        }
        state.ImageOffset += 4 * state.BlockWords;
        state.DeviceAddress += 2 * state.BlockWords;
    }

    window.SetProgressValue(mainPassBlocks);
    window.PumpEvents();
    state.ImageOffset = kFinalImageOffset;
    state.DeviceAddress = kFinalDeviceAddress;
    const BlockOutcome outcome = FlashBlock(context);
    if (outcome != BlockOutcome::Done) {
        ReportFailure(context, outcome, true);
    }
}

}  // namespace korvo
