// Each pane through the real window: what the user does in the widget reaches
// the controller, and what the controller does shows in the widget.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>

#include "UiWorld.h"
#include "devices/AudioDevice.h"
#include "devices/AudioHost.h"
#include "devices/Player.h"
#include "enhance/EnhancerDlg.h"
#include "processing/TaviCleanDlg.h"
#include "shell/PickFiles.h"
#include "shell/ShellDlg.h"
#include "shell/SongFiles.h"
#include "shell/WorkList.h"
#include "ui/Bin1Pane.h"
#include "ui/CleanPane.h"
#include "ui/EnhancePane.h"
#include "ui/LevelMeters.h"
#include "ui/PictureButton.h"
#include "ui/RecordPane.h"
#include "ui/Replay.h"
#include "ui/ShellWindow.h"
#include "ui/WorklistPane.h"

class PanesTest : public QObject {
    Q_OBJECT
private slots:
    void Bin1SelectsShowsAndDeletesWithCompanions();
    void WorklistRenameInPlaceRenamesCompanions();
    void CleanThenEnhanceControlsReachTheirFiltersAndProcessMarksTheSong();
    void CancelledCleanLeavesNoStep_data();
    void CancelledCleanLeavesNoStep();
    void RecordPaneShowsTheSourceAndMetersInDecibels();
};

void PanesTest::Bin1SelectsShowsAndDeletesWithCompanions() {
    UiWorld world;
    const std::string bin1 = world.settings.Bin1Path;
    QVERIFY(UiWorld::WriteSong(bin1 + "/Alpha.wav", 0.5));
    QVERIFY(UiWorld::WriteSong(bin1 + "/Beta.wav", 0.5));
    QVERIFY(WriteText(bin1 + "/Beta.pkf", "peaks"));
    UiSession s(world, "b1 b1");
    auto* pane = s.PaneAs<CBin1Pane>();
    QVERIFY(pane);
    QCOMPARE(pane->List()->topLevelItemCount(), 2);
    QVERIFY(!pane->DeleteButton()->isEnabled());

    QTreeWidgetItem* beta = pane->List()->findItems(QStringLiteral("Beta.wav"), Qt::MatchExactly).value(0);
    QVERIFY(beta);
    beta->setSelected(true);
    QCOMPARE(s.shell.Bin1Pane()->SelectedCount(), size_t(1));
    QVERIFY(!pane->Info()->text().isEmpty());
    QVERIFY(pane->DeleteButton()->isEnabled());

    world.services.Scripted().QueueAnswer(MsgAnswer::Yes);
    pane->DeleteButton()->click();
    QCOMPARE(FilesIn(bin1), std::vector<std::string>{"Alpha.wav"});
    QCOMPARE(pane->List()->topLevelItemCount(), 1);
}

void PanesTest::WorklistRenameInPlaceRenamesCompanions() {
    UiWorld world;
    const std::string bin2 = world.settings.Bin2Path;
    QVERIFY(UiWorld::WriteSong(bin2 + "/Take 1.wav", 0.5));
    QVERIFY(WriteText(bin2 + "/Take 1.pkf", "peaks"));
    QVERIFY(WriteText(bin2 + "/Take 1.ses", "session"));
    UiSession s(world, "bin2 select:1");
    auto* pane = s.PaneAs<CWorklistPane>();
    QVERIFY(pane);
    pane->EditName(0);
    auto* editor = pane->List()->findChild<QLineEdit*>();
    QVERIFY(editor);
    QCOMPARE(editor->text(), QStringLiteral("Take 1"));  // edited without the extension
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("Blue Moon"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();  // the view commits an edit from its queue
    QCOMPARE(FilesIn(bin2), (std::vector<std::string>{"Blue Moon.pkf", "Blue Moon.ses", "Blue Moon.wav"}));
    QCOMPARE(pane->List()->topLevelItem(0)->text(0), QStringLiteral("Blue Moon.wav"));
    QCOMPARE(world.songs.Current(), bin2 + "/Blue Moon.wav");
}

// Each stage pane's controls reach its filter, and Process runs it and marks the song.
void PanesTest::CleanThenEnhanceControlsReachTheirFiltersAndProcessMarksTheSong() {
    UiWorld world;
    const std::string song = world.settings.Bin2Path + "/Side A.wav";
    QVERIFY(UiWorld::WriteSong(song, 2.0));
    UiSession s(world, "bin2 select:1 b1");
    QVERIFY(s.ok);
    auto* pane = s.PaneAs<CCleanPane>();
    QVERIFY(pane);
    pane->Slider(0)->setValue(800);  // Scratch
    QCOMPARE(s.shell.CleanPane()->Scratch(), 800);
    pane->Hum(2)->click();
    QCOMPARE(s.shell.CleanPane()->HumChoice(), 2);

    s.window.StageButton(1)->click();  // Process
    QCOMPARE(s.shell.State(), int(kStateWorkingOn));
    QVERIFY(CSongFiles::GetStatus(song)[CSongFiles::kClean]);
    auto* list = s.PaneAs<CWorklistPane>();
    QVERIFY(list);
    QCOMPARE(list->List()->topLevelItem(0)->text(2), QStringLiteral("Y"));

    QVERIFY(s.Play("b2"));  // Enhance, the song still selected
    auto* enhance = s.PaneAs<CEnhancePane>();
    QVERIFY(enhance);
    CEnhancerDlg& enhancer = *s.shell.EnhancePane();
    enhance->Trackbar(2)->setValue(500);  // Bass
    QCOMPARE(enhancer.GetControl(CEnhancerDlg::kIdBass), 500);
    QTest::keyClicks(enhance->NumberBox(0), QStringLiteral("x"));  // Level's box: not a number
    s.window.StageButton(1)->click();
    QCOMPARE(s.shell.State(), int(kStateEnhanceStage));  // refused until corrected

    enhance->NumberBox(0)->clear();
    QTest::keyClicks(enhance->NumberBox(0), QStringLiteral("-20"));
    QCOMPARE(enhance->Trackbar(0)->value(), -20);
    s.window.StageButton(1)->click();
    QCOMPARE(s.shell.State(), int(kStateWorkingOn));
    QVERIFY(CSongFiles::GetStatus(song)[CSongFiles::kEnhance]);
}

void PanesTest::CancelledCleanLeavesNoStep_data() {
    QTest::addColumn<bool>("byStageButton");
    QTest::newRow("progress Cancel") << false;
    QTest::newRow("a stage button") << true;
}

// The job pumps messages between blocks: a click then only asks it to stop.
void PanesTest::CancelledCleanLeavesNoStep() {
    QFETCH(bool, byStageButton);
    UiWorld world;
    const std::string song = world.settings.Bin2Path + "/Side A.wav";
    QVERIFY(UiWorld::WriteSong(song, 6.0));
    UiSession s(world, "bin2 select:1 b1");
    QVERIFY(s.PaneAs<CCleanPane>());
    bool clickedDuringJob = false;
    QTimer clicker;
    // At the first pump a stage button, or the progress window's Cancel once it shows.
    connect(&clicker, &QTimer::timeout, &s.window, [&] {
        if (clickedDuringJob || (!byStageButton && !world.services.ProgressWindow())) return;
        clickedDuringJob = s.window.StageButton(1)->text() == QStringLiteral("Cancel");
        if (byStageButton) {
            s.window.BinButton(0)->click();
        } else {
            if (!ShotFolder().isEmpty()) world.services.ProgressWindow()->grab().save(ShotFolder() + "/progress.png");
            world.services.ProgressWindow()->CancelButton()->click();
        }
    });
    clicker.start(0);
    s.window.StageButton(1)->click();  // Process
    QVERIFY(clickedDuringJob);
    QCOMPARE(s.shell.State(), int(kStateCleanStage));
    QCOMPARE(s.window.StageButton(1)->text(), QStringLiteral("Process"));
    QVERIFY(s.PaneAs<CCleanPane>());
    QVERIFY(!world.services.ProgressIsOpen());
    QVERIFY(!CSongFiles::GetStatus(song)[CSongFiles::kClean]);
    for (const std::string& name : FilesIn(world.settings.TempPath)) {
        QVERIFY2(name.find(".wav") == std::string::npos, name.c_str());  // no step's wave was kept
    }
}

void PanesTest::RecordPaneShowsTheSourceAndMetersInDecibels() {
    UiWorld world;
    CAudioHost host(false);  // the virtual card only
    std::unique_ptr<CAudioDevice> device = CreateAudioDevice(world.settings, host);
    CPlayer player(*device);
    UiSession s(world, "b1 b3 b3 b1 b1", &player);  // a 78 played at 33, hooked up: the meter check
    QCOMPARE(s.shell.State(), int(kStateMeterCheck));
    auto* pane = s.PaneAs<CRecordPane>();
    QVERIFY(pane);
    QVERIFY(pane->findChild<QLabel*>()->text().contains(QStringLiteral("78 rpm record on a turntable at 33")));
    struct Reading {
        int32_t peak;
        double db;
    };
    for (const Reading r : {Reading{8388607, 0.0}, Reading{-838861, -20.0}, Reading{0, CLevelMeters::kFloorDb},
                            Reading{1, CLevelMeters::kFloorDb}}) {
        QVERIFY(std::abs(CLevelMeters::Decibels(r.peak) - r.db) < 0.01);
    }
}

QTEST_MAIN(PanesTest)
#include "PanesTest.moc"
