// The CD panes' own controls and the set-up dialogs, through the real window:
// each control reaches its controller, and what it chose is what the job does.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <functional>

#include "UiWorld.h"
#include "audiofile/PeakFile.h"
#include "cd/CdBurner.h"
#include "cd/CdRipper.h"
#include "cd/DiscMaster.h"
#include "cd/ImageRecorder.h"
#include "codecs/Mp3Options.h"
#include "devices/AudioDevice.h"
#include "devices/DeviceChoice.h"
#include "devices/Player.h"
#include "devices/Recorder.h"
#include "devices/VirtualCard.h"
#include "shell/RestovaApp.h"
#include "shell/ShellDlg.h"
#include "support/CdImageBuilder.h"
#include "ui/Bin1Pane.h"
#include "ui/CdRipPane.h"
#include "ui/CdWriterPane.h"
#include "ui/LevelMeters.h"
#include "ui/Mp3SetupDialog.h"
#include "ui/PictureButton.h"
#include "ui/RecordPane.h"
#include "ui/Replay.h"
#include "ui/ShellWindow.h"
#include "ui/SongListView.h"
#include "ui/SoundCardDialog.h"

namespace fs = std::filesystem;

namespace {

// Runs answer on the modal dialog the next click opens, once it is up.
void WhenDialogOpens(std::function<void(QDialog&)> answer) {
    QTimer::singleShot(0, [answer] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        answer(*dialog);
    });
}

void Shot(QWidget& widget, const char* name) {
    if (ShotFolder().isEmpty()) return;
    QDir().mkpath(ShotFolder());
    QVERIFY(widget.grab().save(ShotFolder() + QLatin1Char('/') + QLatin1String(name)));
}

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT
private slots:
    void CdRipBrowseStoresTheFolderAndOneFileRipWritesOneWave();
    void CdWriterDragMovesTheSelectedSongs_data();
    void CdWriterDragMovesTheSelectedSongs();
    void CdWriterAsksWhereTheImageGoesAndImportsTheChosenPlaylist();
    void SoundCardChoiceHoldsAcrossTheSwapWhileAPreviewPlays();
    void RecordInputChosenAtTheMeterCheckIsRecorded();
    void Mp3SetupTypeFillsTheFieldsAndOkStoresThem();
};

void DialogsTest::CdRipBrowseStoresTheFolderAndOneFileRipWritesOneWave() {
    UiWorld world;
    const std::string images = world.root.File("images");
    fs::create_directories(images);
    MakeCueImage(images, "disc", {{150}, {300}, {226}});
    world.store.WriteProfileString("CDRip", "ImageFolder", images);
    const std::string target = world.root.File("Ripped");
    fs::create_directories(target);

    UiSession s(world, "b1 b2");  // Audio CD: the rip pane
    QCOMPARE(s.shell.State(), int(kStateCdRip));
    auto* pane = s.PaneAs<CCdRipPane>();
    QVERIFY(pane);
    CCdRipper& ripper = *s.shell.CdRipPane();
    for (size_t i = 0; i < ripper.Drives().size(); ++i)
        if (ripper.Drives()[i].name == "disc.cue") ripper.SelectDrive(static_cast<int>(i));
    QVERIFY(ripper.ReadTrackList());
    pane->Reload();
    QCOMPARE(pane->List()->topLevelItemCount(), 3);

    QString title;
    WhenDialogOpens([&](QDialog& dialog) {
        title = dialog.windowTitle();
        auto& chooser = dynamic_cast<QFileDialog&>(dialog);
        chooser.setDirectory(QString::fromStdString(target));
        chooser.selectFile(QString::fromStdString(target));
        Shot(dialog, "cd-rip-browse.png");
        QMetaObject::invokeMethod(&chooser, "accept");
    });
    pane->BrowseButton()->click();
    QCOMPARE(title, QStringLiteral("Select a Directory to Rip to"));
    QCOMPARE(fs::path(world.store.GetProfileString("CDRip", "Path", "")), fs::path(target));
    QVERIFY(pane->FolderLabel()->toolTip().endsWith(QStringLiteral("Ripped")));

    pane->OneFileBox()->click();
    QVERIFY(ripper.Options().oneFile);
    Shot(s.window, "cd-rip-one-file.png");
    s.window.StageButton(2)->click();  // Rip All Tracks
    QCOMPARE(ripper.Status(), std::string("Done"));
    const std::vector<std::string> made = FilesIn(target);
    QCOMPARE(made.size(), size_t(2));  // one wave and its peak file
    const std::string wave = target + "/" + made[1];
    QVERIFY(wave.ends_with(".wav"));
    DividerBlock block{};
    uint32_t count = 0;
    QVERIFY(CPeakFile::ReadDividers(wave, block, count));
    QCOMPARE(count, 3u);
    QCOMPARE(block.records[2].position, 450u * 2352);
    QVERIFY(FilesIn(world.settings.Bin1Path).empty());
}

void DialogsTest::CdWriterDragMovesTheSelectedSongs_data() {
    QTest::addColumn<QList<int>>("dragged");
    QTest::addColumn<int>("dropRow");  // the row under the drop point, -1 for below the last
    QTest::addColumn<bool>("lowerHalf");
    QTest::addColumn<QString>("order");
    QTest::newRow("last to the top") << QList<int>{2} << 0 << false << "CAB";
    QTest::newRow("first two below the last") << QList<int>{0, 1} << -1 << false << "CAB";
    QTest::newRow("first and last onto the middle's lower half") << QList<int>{0, 2} << 1 << true << "BAC";
    QTest::newRow("onto itself") << QList<int>{1} << 1 << false << "ABC";
}

void DialogsTest::CdWriterDragMovesTheSelectedSongs() {
    QFETCH(QList<int>, dragged);
    QFETCH(int, dropRow);
    QFETCH(bool, lowerHalf);
    QFETCH(QString, order);
    UiWorld world;
    for (const char* name : {"A", "B", "C"})
        QVERIFY(UiWorld::WriteSong(world.settings.Bin2Path + "/" + name + ".wav", 0.5));
    UiSession s(world, "bin2 select-all b4");  // the songs go to the CD writer
    QCOMPARE(s.shell.State(), int(kStateReadyForCd));
    auto* pane = s.PaneAs<CCdWriterPane>();
    QVERIFY(pane);
    CSongListView* list = pane->List();
    QCOMPARE(list->columnCount(), 4);
    QCOMPARE(list->headerItem()->text(3), QStringLiteral("Full Path"));
    QVERIFY(list->header()->length() <= list->viewport()->width());  // all four in sight
    QCOMPARE(list->topLevelItemCount(), 3);
    list->clearSelection();
    for (int row : dragged) list->topLevelItem(row)->setSelected(true);

    QPoint at(10, list->viewport()->height() - 2);
    if (dropRow >= 0) {
        const QRect rect = list->visualItemRect(list->topLevelItem(dropRow));
        at = QPoint(rect.left() + 10, lowerHalf ? rect.bottom() - 1 : rect.top() + 1);
    }
    const size_t before = list->DropRow(at);
    QCOMPARE(before, size_t(dropRow < 0 ? 3 : dropRow + (lowerHalf ? 1 : 0)));
    pane->MoveSelectedBefore(before);
    QCoreApplication::processEvents();

    QString shown;
    QString held;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        shown += list->topLevelItem(i)->text(0).front();
        held += QString::fromStdString(s.shell.CdWriterPane()->Rows()[static_cast<size_t>(i)].name).front();
    }
    QCOMPARE(held, order);
    QCOMPARE(shown, order);
    QCOMPARE(s.shell.CdWriterPane()->ListChanged(), order != QStringLiteral("ABC"));
}

void DialogsTest::CdWriterAsksWhereTheImageGoesAndImportsTheChosenPlaylist() {
    UiWorld world;
    QVERIFY(UiWorld::WriteSong(world.settings.Bin2Path + "/Song.wav", 4.0));
    const std::string ripped = world.root.File("Ripped");
    const std::string out = world.root.File("out");
    fs::create_directories(ripped);
    fs::create_directories(out);
    world.store.WriteProfileString("CDRip", "Path", ripped);
    UiSession s(world, "bin2 select-all b4");
    auto* pane = s.PaneAs<CCdWriterPane>();
    QVERIFY(pane);
    CCdBurner& burner = *s.shell.CdWriterPane();
    QVERIFY(burner.ImageRecorderSelected());

    // Writes with the chooser answered by name (empty: Cancel); returns the folder it opened in.
    auto write = [&](const std::string& name) {
        QString opened;
        WhenDialogOpens([&](QDialog& dialog) {
            auto& chooser = dynamic_cast<QFileDialog&>(dialog);
            opened = chooser.directory().absolutePath();
            if (name.empty()) {
                QMetaObject::invokeMethod(&chooser, "reject");
                return;
            }
            chooser.selectFile(QString::fromStdString(out + "/" + name));
            QMetaObject::invokeMethod(&chooser, "accept");
        });
        s.window.StageButton(0)->click();  // Write CD
        return fs::path(opened.toStdString());
    };
    auto& messages = world.services.Scripted();

    pane->SimulateBox()->click();
    Shot(s.window, "cd-writer-sim.png");
    QCOMPARE(write("disc.cue"), fs::path(ripped));  // first time: the rip folder
    QVERIFY(fs::is_empty(out));
    QVERIFY(messages.Messages().back().text.starts_with("Done:"));
    pane->SimulateBox()->click();

    messages.ClearMessages();
    write("");
    QVERIFY(fs::is_empty(out));
    QVERIFY(messages.Messages().empty());

    write("disc");
    QCOMPARE(FilesIn(out), (std::vector<std::string>{"disc.bin", "disc.cue"}));
    QCOMPARE(fs::file_size(out + "/disc.bin"), uintmax_t(4 * 75 * 2352));

    // The folder is remembered; replacing an image is asked about, and No writes nothing.
    messages.ClearMessages();
    messages.QueueAnswer(MsgAnswer::No);
    fs::resize_file(out + "/disc.bin", 0);
    QCOMPARE(write("disc.cue"), fs::path(out));
    QCOMPARE(messages.Messages().size(), size_t(1));
    QVERIFY(messages.Messages()[0].text.find("disc.cue already exists") != std::string::npos);
    QCOMPARE(fs::file_size(out + "/disc.bin"), uintmax_t(0));

    const std::string other = world.root.File("Other.wav");
    QVERIFY(UiWorld::WriteSong(other, 4.0));
    const std::string list = world.root.File("list.m3u");
    QVERIFY(WriteText(list, "# mine\r\n" + other + "\r\n"));
    WhenDialogOpens([&](QDialog& dialog) {
        auto& chooser = dynamic_cast<QFileDialog&>(dialog);
        chooser.selectFile(QString::fromStdString(list));
        QMetaObject::invokeMethod(&chooser, "accept");
    });
    s.window.StageButton(3)->click();  // Import Playlist
    QCOMPARE(pane->List()->topLevelItemCount(), 2);
    QCOMPARE(pane->List()->topLevelItem(1)->text(3).toStdString(), other);
}

void DialogsTest::SoundCardChoiceHoldsAcrossTheSwapWhileAPreviewPlays() {
    UiWorld world;
    QVERIFY(UiWorld::WriteSong(world.settings.Bin1Path + "/Song.wav", 3.0));
    CRestovaApp app(world.store, world.root.File("Restova"), world.root.File("share"));
    CAudioHost host(false);
    CVirtualCard& second = host.AddVirtualCard("Second card");
    second.SetSink(world.root.File("heard.wav"));
    CPlayer player(app.CreateAudioEngine(host));
    app.SetPlayer(&player);
    UiSession s(world, "b1 b1", &player);  // Bin1, where a song is previewed
    s.shell.SetEngineRecreator([&] { app.CreateAudioEngine(host); });
    auto* pane = s.PaneAs<CBin1Pane>();
    QVERIFY(pane);
    pane->List()->topLevelItem(0)->setSelected(true);
    pane->PreviewButton()->click();
    QVERIFY(player.IsPlaying());

    {
        CSoundCardDialog dialog(
            app.Settings(), host, [&] { s.shell.RecreateAudioEngine(); }, &s.window);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Select Playback Device"));
        QCOMPARE(dialog.List()->currentRow(), 0);  // the default device
        const QList<QListWidgetItem*> found = dialog.List()->findItems(QStringLiteral("Second card"), Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        dialog.List()->setCurrentItem(found.front());
        Shot(dialog, "sound-card.png");
        dialog.accept();
    }
    QCOMPARE(app.Settings().GuidDevOut, DeviceIdOf("Second card"));
    QCOMPARE(&player.Device(), app.AudioEngine());
    QVERIFY(!player.IsPlaying());

    pane->PreviewButton()->click();
    QVERIFY(player.IsPlaying());
    QCOMPARE(QString::fromStdString(player.Device().OutputDevice().name), QStringLiteral("Second card"));
    player.Stop();
    CSoundCardDialog again(app.Settings(), host, {}, &s.window);
    QCOMPARE(again.List()->currentItem()->text(), QStringLiteral("Second card"));
    app.SetPlayer(nullptr);
}

void DialogsTest::RecordInputChosenAtTheMeterCheckIsRecorded() {
    UiWorld world;
    // Each card's line input holds one level of its own, so the take tells which card it came from.
    auto line = [&](const char* name, int64_t level) {
        const std::string path = world.root.File(name);
        return WriteWave(path, 2, 44100, 16, std::vector<int64_t>(2 * 44100 * 3, level)) ? path : std::string();
    };
    CAudioHost host(false);
    host.VirtualCard().SetSource(line("first.wav", 1000));
    host.AddVirtualCard("Second card").SetSource(line("second.wav", -3000));
    std::unique_ptr<CAudioDevice> device = CreateAudioDevice(world.settings, host);
    CPlayer player(*device);
    UiSession s(world, "b1 b3 b1 b1", &player);  // Record Player, LP, hooked up: the meter check
    s.shell.SetEngineRecreator([&] {
        std::unique_ptr<CAudioDevice> next = CreateAudioDevice(world.settings, host);
        player.SetDevice(*next);
        device = std::move(next);
    });
    QCOMPARE(s.shell.State(), int(kStateMeterCheck));
    auto* pane = s.PaneAs<CRecordPane>();
    QVERIFY(pane);
    QComboBox* inputs = pane->Inputs();
    QVERIFY(inputs->isVisible());
    QCOMPARE(inputs->currentIndex(), 0);  // the default device
    const int second = inputs->findText(QStringLiteral("Second card"));
    QVERIFY(second > 0);
    inputs->setCurrentIndex(second);
    emit inputs->activated(second);
    Shot(s.window, "record-input.png");
    QCOMPARE(CDeviceChoice(world.settings, host, true).Selected(), second);
    QCOMPARE(&player.Device(), device.get());
    QCOMPARE(player.State(), int(kPlayerCapturing));  // the meters run on the new input

    QCOMPARE(pane->Meters()->Style(), CRecorder::kMeterPlain);
    QVERIFY(!pane->TimeLabel()->isVisible());
    QVERIFY(s.Play("b1"));  // Dancing: the level check shows the target zone
    QCOMPARE(s.shell.State(), int(kStateLevelCheck));
    QVERIFY(!inputs->isVisible() && pane->Meters()->isVisible());
    QCOMPARE(pane->Meters()->Style(), CRecorder::kMeterTargetZone);
    for (int i = 0; i < 200 && pane->Meters()->LeftDb() <= CLevelMeters::kFloorDb; ++i) QTest::qWait(10);
    Shot(s.window, "record-level-check.png");
    QVERIFY(s.Play("b1 b1"));  // Right ON, Start Recording
    QCOMPARE(s.shell.State(), int(kStateRecording));
    QCOMPARE(pane->Meters()->Style(), CRecorder::kMeterPlain);
    QVERIFY(!inputs->isVisible() && pane->TimeLabel()->isVisible());
    for (int i = 0; i < 200 && player.TakeBytes() < 44100; ++i) QTest::qWait(10);
    s.shell.RecordPane()->Stop();
    WaveContents take;
    QVERIFY(ReadWave(s.shell.RecordPane()->TakePath(), take));
    QVERIFY(take.data.size() >= 44100);
    const auto* samples = reinterpret_cast<const int16_t*>(take.data.data());
    QVERIFY(std::all_of(samples, samples + take.data.size() / 2, [](int16_t v) { return v == -3000; }));
}

void DialogsTest::Mp3SetupTypeFillsTheFieldsAndOkStoresThem() {
    UiWorld world;
    {
        CMp3SetupDialog dialog(world.store, nullptr);
        QVERIFY(dialog.TypeButton(Mp3Options::kLame)->isChecked());
        dialog.TypeButton(Mp3Options::kOggVorbis)->click();
        QCOMPARE(dialog.PathEdit()->text(), QStringLiteral("oggenc"));
        QVERIFY(!dialog.DllBox()->isEnabled());
        QVERIFY(dialog.VbrBox()->isEnabled());
        dialog.VbrBox()->click();
        dialog.BitRateEdit()->setText(QStringLiteral("192"));
        dialog.show();
        Shot(dialog, "mp3-setup.png");
        dialog.accept();
    }
    Mp3Options stored = Mp3Options::Load(world.store);
    QCOMPARE(stored.encoderType, int(Mp3Options::kOggVorbis));
    QCOMPARE(stored.encoderPath, std::string("oggenc"));
    QCOMPARE(stored.bitRate, 192);
    QVERIFY(stored.useVbr);

    CMp3SetupDialog cancelled(world.store, nullptr);
    QVERIFY(cancelled.TypeButton(Mp3Options::kOggVorbis)->isChecked());
    cancelled.TypeButton(Mp3Options::kBladeEnc)->click();
    QVERIFY(!cancelled.VbrBox()->isEnabled());
    cancelled.reject();
    QCOMPARE(Mp3Options::Load(world.store).encoderType, int(Mp3Options::kOggVorbis));
}

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
