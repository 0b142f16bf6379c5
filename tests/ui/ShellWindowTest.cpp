// The main window replays the stage machine's main roads: after every click
// its buttons and prompt say what the machine (driven alone, without a window)
// says, every caption and prompt fits its box, and each state is saved as a
// picture for a person to look at.
#include <QDir>
#include <QLabel>
#include <QSet>
#include <QTest>
#include <array>
#include <map>

#include "UiWorld.h"
#include "shell/PickFiles.h"
#include "shell/ShellDlg.h"
#include "shell/WorkList.h"
#include "ui/PictureButton.h"
#include "ui/Replay.h"
#include "ui/ShellWindow.h"
#include "ui/TrainingWheelsWindow.h"

namespace {

struct Step {
    int state = 0;
    std::array<std::string, 4> captions;
    std::string prompt;
};

// The machine alone: clicks are dispatches, a selection is set on the open list.
std::vector<Step> Expected(const QStringList& events) {
    UiWorld world;
    UiWorld::WriteSong(world.settings.Bin1Path + "/Side A.wav", 1.0);
    CShellDlg shell(world.settings, world.store, world.songs);
    shell.SetCdDrives(false);  // as the window's session has it
    shell.OnInitDialog();
    std::vector<Step> steps;
    for (const QString& e : events) {
        const int event = CTransitionTable::EventOf(e.toStdString());
        if (event >= 0) {
            shell.Dispatch(event);
        } else if (e.startsWith(QLatin1String("select:"))) {
            const size_t row = e.mid(7).toUInt() - 1;
            if (CPickFiles* bin1 = shell.Bin1Pane()) bin1->SelectOnly(row);
            if (CWorkList* list = shell.WorklistPane()) list->SelectOnly(row);
        } else if (e == QLatin1String("tw")) {
            shell.ToggleTrainingWheels();
        }
        steps.push_back(
            {shell.State(), {shell.Caption(0), shell.Caption(1), shell.Caption(2), shell.Caption(3)}, shell.Prompt()});
    }
    return steps;
}

}  // namespace

class ShellWindowTest : public QObject {
    Q_OBJECT
private slots:
    void MainRoadsShowWhatTheMachineSays_data();
    void MainRoadsShowWhatTheMachineSays();
    void TrainingWheelsWindowFollowsTheState();
};

void ShellWindowTest::MainRoadsShowWhatTheMachineSays_data() {
    QTest::addColumn<QString>("script");
    // A file through every stage to the CD writer and the MP3 screen, the bins, and Start Over.
    QTest::newRow("file") << "b1 b1 select:1 b2 back b1 select:1 b1 select:1 b1 back b2 back b3 b3 b2 back b1 b4 b2 "
                             "back b1 back b4 b2 back back bin1 bin3 start-over";
    // The record player and tape roads up to the point a recorder is needed.
    QTest::newRow("record") << "b1 b3 b3 b1 b1 back b2 back back b4 b1 back back";
    QTest::newRow("cd") << "b1 b2 back bin2 bin1 back";
}

void ShellWindowTest::MainRoadsShowWhatTheMachineSays() {
    QFETCH(QString, script);
    const QStringList events = CReplay::Split(script);
    const std::vector<Step> expected = Expected(events);

    UiWorld world;
    UiWorld::WriteSong(world.settings.Bin1Path + "/Side A.wav", 1.0);
    UiSession s(world, "");
    CShellDlg& shell = s.shell;
    CShellWindow& window = s.window;
    const QString shots = ShotFolder();
    if (!shots.isEmpty()) QDir().mkpath(shots);
    for (int i = 0; i < events.size(); ++i) {
        const QByteArray where = QStringLiteral("after %1 (event %2)").arg(events[i]).arg(i).toUtf8();
        QVERIFY2(CReplay::Play(window, events[i]), where.constData());
        const Step& want = expected[static_cast<size_t>(i)];
        QCOMPARE(shell.State(), want.state);
        for (int b = 0; b < 4; ++b) {
            CPictureButton* button = window.StageButton(b);
            QCOMPARE(button->text().toStdString(), want.captions[static_cast<size_t>(b)]);
            QCOMPARE(button->isVisible(), !want.captions[static_cast<size_t>(b)].empty());
            QVERIFY2(!button->isVisible() || button->CaptionFits(), where.constData());
        }
        QCOMPARE(window.PromptLabel()->text().toStdString(), want.prompt);
        QLabel* prompt = window.PromptLabel();
        QVERIFY2(prompt->heightForWidth(prompt->width()) <= prompt->height(), where.constData());
        if (!shots.isEmpty()) {
            const QString file = QStringLiteral("%1/state-%2.png").arg(shots).arg(want.state);
            static QSet<int> saved;  // the first sight of each state in this run
            if (!saved.contains(want.state)) QVERIFY(CReplay::Screenshot(window, file));
            saved.insert(want.state);
        }
    }
}

void ShellWindowTest::TrainingWheelsWindowFollowsTheState() {
    UiWorld world;
    UiSession s(world, "b4");  // Training Wheels on the welcome screen
    QVERIFY(s.ok);
    CTrainingWheelsWindow* wheels = s.window.TrainingWheelsWindow();
    QVERIFY(wheels);
    QVERIFY(wheels->isVisible());
    QVERIFY(s.Play("b1"));
    QCOMPARE(wheels->Title(), QStringLiteral("Choose Source"));
    if (!ShotFolder().isEmpty()) QVERIFY(wheels->grab().save(ShotFolder() + QStringLiteral("/training-wheels.png")));
    QVERIFY(s.Play("tw"));
    QVERIFY(!s.window.TrainingWheelsWindow());
}

QTEST_MAIN(ShellWindowTest)
#include "ShellWindowTest.moc"
