// The program's run: start-up through the window's load, then the event loop until the window
// has unloaded or the program has been ended.
#include "app/qt/run_updater.h"

#include <QApplication>
#include <memory>

#include "app/qt/qt_window_services.h"
#include "app/start_window.h"
#include "state/updater_state.h"

namespace korvo {

int RunUpdater(int argc, char* argv[], UsbSerialDriver& driver) {
    QApplication app(argc, argv);
    // The window services end the program once the window has unloaded and no handler runs;
    // a message box closing after the window has gone must not end it earlier.
    QApplication::setQuitOnLastWindowClosed(false);

    auto state = std::make_unique<UpdaterState>();
    QtWindowServices window;
    StartWindow logic(*state, window, driver);
    window.SetEventSink(&logic);
    logic.FormLoad();
    // A stop in start-up has shown its box (modal, so closed by now) and unloaded the window or
    // ended the program.
    if (window.ended() || !window.loaded()) {
        return 0;
    }
    return QApplication::exec();
}

}  // namespace korvo
