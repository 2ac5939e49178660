#include "gui/AppServices.h"
#include "gui/DesktopShell.h"
#include "gui/MainWindow.h"
#include "gui/QtPrompts.h"
#include "gui/StartRequestCommands.h"
#include "platform/SingleInstanceGuard.h"
#include "platform/StartRequest.h"

#include <QApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onTerminationSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[0], &byte, 1);
}

// SIGTERM, SIGHUP and SIGINT end the program through the Exit command, so the settings and the
// notes file are closed properly.
void routeTerminationSignals(MainWindow& frmMain) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, &frmMain);
    QObject::connect(notifier, &QSocketNotifier::activated, &frmMain, [&frmMain] {
        char byte;
        [[maybe_unused]] const auto got = ::read(signalPipe[1], &byte, 1);
        frmMain.exitProgram();
    });
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGHUP, SIGINT})
        ::sigaction(sig, &action, nullptr);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillnote"));
    QApplication::setOrganizationName(QStringLiteral("Tarrowin"));
    QGuiApplication::setDesktopFileName(QStringLiteral("example.tarrowin.Quillnote")); // the launcher's id
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setQuitOnLastWindowClosed(false); // the window may be hidden in the tray; Exit ends

    // A second start hands its request (come forward, or --add-note) to the running copy and ends,
    // showing and writing nothing.
    const StartRequest request =
        StartRequest::fromArguments(app.arguments().mid(1), qEnvironmentVariable("XDG_ACTIVATION_TOKEN"));
    SingleInstanceGuard instance(
        SingleInstanceGuard::keyForExecutable(QCoreApplication::applicationFilePath()));
    if (!instance.registerInstance())
        return instance.bringForwardRunningCopy(5000, request) ? 0 : 1;

    QtPrompts prompts;
    DesktopShell shell;
    SystemClock clock;
    AppServices services{AppPaths::forRunningProgram(), prompts, shell, clock, app.arguments().mid(1)};

    MainWindow frmMain(services);
    prompts.setOwner(&frmMain);
    QObject::connect(&frmMain, &MainWindow::exitRequested, &app, &QApplication::quit, Qt::QueuedConnection);
    QObject::connect(
        &app, &QGuiApplication::commitDataRequest, &frmMain,
        [&frmMain](QSessionManager& manager) {
            const bool mayAsk = manager.allowsInteraction();
            const bool ended = frmMain.sessionEnding(mayAsk);
            if (mayAsk)
                manager.release();
            if (!ended)
                manager.cancel(); // the user chose Cancel, or the note could not be saved
        },
        Qt::DirectConnection);
    routeTerminationSignals(frmMain);
    StartRequestCommands requests([&frmMain] { frmMain.bringForward(); },
                                  [&frmMain] { frmMain.openQuickAdd(); });
    QObject::connect(&instance, &SingleInstanceGuard::activationRequested, &requests,
                     &StartRequestCommands::carryOut);

    frmMain.startUp();
    frmMain.showAsStarted();
    if (request.addNote)
        QTimer::singleShot(0, &requests, [&requests] { requests.carryOut(StartRequest{true, {}}); });
    return app.exec();
}
