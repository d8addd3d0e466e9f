// The Korvo firmware updater: the window over the platform's USB serial adapters.
#include "app/qt/run_updater.h"
#include "link/adapter_driver.h"

int main(int argc, char* argv[]) {
    const auto driver = korvo::MakeAdapterDriver();
    return korvo::RunUpdater(argc, argv, *driver);
}
