// restova: the program's window. Start-up loads the settings and checks the
// bins, the audio engine and the player are made, the main window runs, and
// the settings are written back when it has closed.
//   restova [--replay "EVENTS" [--screenshot OUT.png]] [--write-guide OUT.pdf]
// replays clicks (the event names of restova-cli workflow) in the real window,
// saves it as a picture and exits: for screenshots and reproducible reports.
#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>
#include <cstdio>
#include <string>

#include "base/SettingsStore.h"
#include "cd/SongList.h"
#include "devices/AudioHost.h"
#include "devices/Player.h"
#include "shell/RestovaApp.h"
#include "shell/ShellDlg.h"
#include "ui/GuideWriter.h"
#include "ui/HoverSound.h"
#include "ui/QtServices.h"
#include "ui/Replay.h"
#include "ui/ShellWindow.h"

namespace {

int Replay(CShellWindow& window, const QStringList& events, const QString& screenshot) {
    for (const QString& event : events) {
        if (!CReplay::Play(window, event)) {
            std::fprintf(stderr, "restova --replay: %s cannot be done here\n", qPrintable(event));
            return 1;
        }
    }
    if (!screenshot.isEmpty() && !CReplay::Screenshot(window, screenshot)) {
        std::fprintf(stderr, "restova --screenshot: cannot write %s\n", qPrintable(screenshot));
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // A replay or the guide needs no screen: without one they draw offscreen.
    const bool headless = qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    for (int i = 1; i < argc && headless; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--replay", 0) == 0 || arg.rfind("--screenshot", 0) == 0 || arg.rfind("--write-guide", 0) == 0) {
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        }
    }
    QApplication qapp(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Restova"));
    QCoreApplication::setOrganizationName(QStringLiteral("Parlowe"));
    QCoreApplication::setApplicationVersion(QStringLiteral(RESTOVA_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Restores old records, tapes and CDs."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption replay(QStringLiteral("replay"), QStringLiteral("click these buttons, then exit"),
                                    QStringLiteral("EVENTS"));
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("save the window as this picture after the replay"),
                                        QStringLiteral("OUT.png"));
    const QCommandLineOption guide(QStringLiteral("write-guide"),
                                   QStringLiteral("write the getting-started guide as this PDF and exit"),
                                   QStringLiteral("OUT.pdf"));
    parser.addOption(replay);
    parser.addOption(screenshot);
    parser.addOption(guide);
    parser.process(qapp);
    if (parser.isSet(guide)) return CGuideWriter::Write(parser.value(guide)) ? 0 : 1;
    const bool scripted = parser.isSet(replay) || parser.isSet(screenshot);
    const QStringList events = CReplay::Split(parser.value(replay));
    for (const QString& event : events) {
        if (!CReplay::Known(event)) {
            std::fprintf(stderr, "restova --replay: no event %s\n", qPrintable(event));
            return 2;
        }
    }

    CRestovaApp app;
    CQtServices services(app.Store());
    services.SetInteractive(!scripted);
    SetServices(&services);
    app.InitInstance();

    // A scripted run plays into the virtual card: it needs no sound card.
    CAudioHost host(!scripted);
    SetAudioHost(&host);
    int result = 0;
    {
        // The player goes before the engine it plays on.
        CPlayer player(app.CreateAudioEngine(host));
        // A device choice makes the engine anew; the player moves onto it first.
        app.SetPlayer(&player);
        QTimer playerTimer;
        QObject::connect(&playerTimer, &QTimer::timeout, [&player] {
            if (player.TimerRunning()) player.OnTimer();
        });
        playerTimer.start(CPlayer::kPositionPeriodMs);
        CShellDlg shell(app.Settings(), app.Store(), SongList());
        shell.SetPlayer(&player);
        shell.SetEngineRecreator([&app, &host] { app.CreateAudioEngine(host); });
        CShellWindow window(shell, app.Settings());
        services.SetMainWindow(&window);
        CHoverSound hover(app.Settings(), [&player] { return player.IsPlaying(); });
        hover.Install(!scripted);
        window.show();
        shell.OnInitDialog();
        if (scripted) {
            result = Replay(window, events, parser.value(screenshot));
        } else {
            if (app.OnMainWindowInit()) {
                QTimer::singleShot(CRestovaApp::kFirstRunTimerMs, &window, [&] {
                    app.OnFirstRunTimer();
                    if (!shell.TrainingWheels()) shell.ToggleTrainingWheels();
                });
            }
            result = qapp.exec();
        }
        player.Stop();
        hover.Install(false);
        services.SetMainWindow(nullptr);
        app.SetPlayer(nullptr);
    }
    app.DestroyAudioEngine();
    app.OnMainWindowClosed();
    SetServices(nullptr);
    SetAudioHost(nullptr);
    return result;
}
