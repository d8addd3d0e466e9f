// The updater's demo: the same window over an emulated Korvo board at the wire's real speed.
#include "app/qt/run_updater.h"
#include "link/emulated_board.h"

int main(int argc, char* argv[]) {
    korvo::EmulatedBoard board(korvo::Pacing::RealTime);
    return korvo::RunUpdater(argc, argv, board);
}
