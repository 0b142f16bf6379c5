// The waveform pane through the real window: dividers dragged, placed and
// renamed with the pointer and the menus reach the song's stored dividers;
// trims and fades are shown, previewed on the virtual card and applied; and
// one recording goes the whole road to split songs.
#include <QElapsedTimer>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>

#include "UiWorld.h"
#include "audiofile/FileNames.h"
#include "audiofile/PeakFile.h"
#include "devices/AudioDevice.h"
#include "devices/AudioHost.h"
#include "devices/Recorder.h"
#include "devices/VirtualCard.h"
#include "shell/WavePane.h"
#include "tracks/SongsRecording.h"
#include "ui/LevelMeters.h"
#include "ui/RecordPane.h"
#include "ui/WaveGraph.h"
#include "ui/WaveformPane.h"

namespace {

// The stored dividers of a song (its session's current step, or its peak file).
std::vector<std::pair<uint32_t, std::string>> StoredDividers(const std::string& song) {
    auto block = std::make_unique<DividerBlock>();
    uint32_t count = 0;
    std::vector<std::pair<uint32_t, std::string>> out;
    if (!CPeakFile::ReadDividers(song, *block, count)) return out;
    for (uint32_t i = 0; i < count; ++i) out.emplace_back(block->records[i].position, block->Name(static_cast<int>(i)));
    return out;
}

void Shot(QWidget& window, const QString& name) {
    if (ShotFolder().isEmpty()) return;
    QDir().mkpath(ShotFolder());
    QVERIFY(window.grab().save(ShotFolder() + "/" + name + ".png"));
}

// Lets the sound run until the player stops (at most seconds).
bool WaitForSilence(UiWorld& world, CPlayer& player, int seconds = 10) {
    for (int i = 0; i < seconds * 100 && player.IsPlaying(); ++i) world.services.WaitMessages(10);
    return !player.IsPlaying();
}

}  // namespace

class WaveformTest : public QObject {
    Q_OBJECT
private slots:
    void DraggedDividerMovesByTheDraggedColumnsAndIsStored();
    void ArmedClickAddsADividerWhereClicked();
    void MenuRenameIsStored();
    void OpeningWithoutPeaksShowsTheirBuilding();
    void PlayCursorFollowsPlaybackAndKeysZoom();
    void TrimPreviewPlaysWhatTheTrimLeaves();
    void DoFadeAddsAStepWithTheCurveShown();
    void ARecordGoesTheWholeRoadToThreeSongs();
};

void WaveformTest::DraggedDividerMovesByTheDraggedColumnsAndIsStored() {
    UiWorld world;
    const std::string song = world.settings.Bin1Path + "/Side A.wav";
    QVERIFY(UiWorld::WriteSong(song, 4.0));
    UiSession s(world, "b1 b1 select:1 b2 b2 b2");  // Edit File, Adjust Dividers, Add Divider
    auto* pane = s.PaneAs<CWaveformPane>();
    QVERIFY(pane);
    CWaveGraph* graph = pane->Detail();
    QVERIFY(graph->isVisible());
    QTest::mouseClick(graph, Qt::LeftButton, {}, QPoint(100, 40));  // the armed click places one
    CWavePane& wave = *s.shell.WaveformPane();
    QCOMPARE(wave.Doc().Dividers().Count(), 1);
    const uint32_t before = wave.Doc().Dividers().Position(0);

    // Zoomed in, so that a column is fewer bytes than a whole-song one.
    graph->View().Zoom(true, 100);
    const int x = graph->ColumnOf(before);
    QTest::mousePress(graph, Qt::LeftButton, {}, QPoint(x + 5, 40));  // within 6 px of the line
    QCOMPARE(graph->Dragging(), 0);
    QTest::mouseMove(graph, QPoint(x + 40, 40));
    Shot(s.window, "waveform-dragging");
    QTest::mouseRelease(graph, Qt::LeftButton, {}, QPoint(x + 45, 40));
    QCOMPARE(graph->Dragging(), -1);

    const uint32_t after = wave.Doc().Dividers().Position(0);
    QCOMPARE(after, graph->PositionAt(x + 45));
    const double moved = static_cast<double>(after) - before;
    QVERIFY(std::abs(moved - graph->View().BytesOf(45 - (graph->ColumnOf(before) - x))) <=
            4 + graph->View().BytesOf(1));
    QCOMPARE(after % 4, 0u);  // a whole frame
    QCOMPARE(StoredDividers(song).at(0).first, after);

    // Pressed farther than 6 px from any line: no drag, the divider stays.
    QTest::mousePress(graph, Qt::LeftButton, {}, QPoint(graph->ColumnOf(after) + 9, 40));
    QCOMPARE(graph->Dragging(), -1);
    QTest::mouseRelease(graph, Qt::LeftButton, {}, QPoint(graph->ColumnOf(after) + 30, 40));
    QCOMPARE(wave.Doc().Dividers().Position(0), after);
}

void WaveformTest::ArmedClickAddsADividerWhereClicked() {
    UiWorld world;
    QVERIFY(UiWorld::WriteSong(world.settings.Bin1Path + "/Side A.wav", 2.0));
    UiSession s(world, "b1 b1 select:1 b2 b2 b2");
    auto* pane = s.PaneAs<CWaveformPane>();
    QVERIFY(pane);
    CWavePane& wave = *s.shell.WaveformPane();
    QVERIFY(wave.AddArmed());
    Shot(s.window, "waveform-armed");
    // Either graph takes the armed click; each adds where its own columns say.
    struct Click {
        CWaveGraph* graph;
        int x;
    };
    for (const Click c : {Click{pane->Overview(), 300}, Click{pane->Detail(), 120}}) {
        s.Play("b2");  // Add Divider arms again
        const int before = wave.Doc().Dividers().Count();
        QTest::mouseClick(c.graph, Qt::LeftButton, {}, QPoint(c.x, 20));
        QCOMPARE(wave.Doc().Dividers().Count(), before + 1);
        QCOMPARE(wave.Doc().Dividers().IndexOf(c.graph->PositionAt(c.x)), wave.Doc().SelectedDivider());
        QVERIFY(!wave.AddArmed());
    }
    QCOMPARE(pane->Tracks()->topLevelItemCount(), 2);
}

void WaveformTest::MenuRenameIsStored() {
    UiWorld world;
    const std::string song = world.settings.Bin1Path + "/Side A.wav";
    QVERIFY(UiWorld::WriteSong(song, 3.0));
    UiSession s(world, "b1 b1 select:1 b2");  // Track Review: the track list
    auto* pane = s.PaneAs<CWaveformPane>();
    QVERIFY(pane);
    CWavePane& wave = *s.shell.WaveformPane();
    const uint32_t second = wave.Doc().BytesPerSecond();

    auto trigger = [](QMenu& menu, const QString& text) {
        for (QAction* a : menu.actions()) {
            if (a->text() == text && a->isEnabled()) {
                a->trigger();
                return true;
            }
        }
        return false;
    };
    std::unique_ptr<QMenu> menu = pane->WaveMenu(second);
    QVERIFY(!trigger(*menu, "Rename Track"));  // no divider chosen yet
    QVERIFY(trigger(*menu, "Add New Divider Here"));
    QCOMPARE(pane->Tracks()->topLevelItemCount(), 1);
    QCOMPARE(pane->Tracks()->topLevelItem(0)->text(1), QStringLiteral("0:02.0"));  // to the end of the song

    // The box edits the start too, in samples of all channels (16-bit stereo here).
    const uint32_t half = second / 2;
    world.services.Scripted().QueueText("Blue Moon");
    world.services.Scripted().QueueNumber(half / 2);
    menu = pane->WaveMenu(second);
    QVERIFY(trigger(*menu, "Rename Track"));
    QCOMPARE(QString::fromStdString(world.services.Scripted().TextRequests().back().initial),
             QStringLiteral("Side A_1"));  // the box starts from the name it edits
    QCOMPARE(pane->Tracks()->topLevelItem(0)->text(0), QStringLiteral("Blue Moon"));
    QCOMPARE(pane->Tracks()->topLevelItem(0)->text(1), QStringLiteral("0:02.5"));
    s.Play("start-over");  // the song is closed
    QCOMPARE(StoredDividers(song), (std::vector<std::pair<uint32_t, std::string>>{{half, "Blue Moon"}}));

    // The track list's menu acts on its row.
    QVERIFY(s.Play("b1 b1 select:1 b2"));
    pane = s.PaneAs<CWaveformPane>();
    menu = pane->TrackMenu(0);
    QVERIFY(menu);
    QStringList items;
    for (QAction* a : menu->actions()) items << a->text();
    QCOMPARE(items, (QStringList{"Play this Track", "Play From Here", "Delete This Track"}));
    QCOMPARE(s.shell.WaveformPane()->Doc().SelStart(), half);
}

void WaveformTest::OpeningWithoutPeaksShowsTheirBuilding() {
    UiWorld world;
    const std::string song = world.settings.Bin1Path + "/Side A.wav";
    QVERIFY(UiWorld::WriteSong(song, 3.0));
    UiSession s(world, "b1 b1 select:1");
    QVERIFY(!std::filesystem::exists(PeakFileName(song)));
    QStringList texts;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (world.services.Progress().IsOpen()) texts << QString::fromStdString(world.services.Progress().Text());
    });
    watch.start(0);
    s.Play("b2");  // Edit File
    QVERIFY(texts.contains(QStringLiteral("Building Peak Data")));
    QVERIFY(std::filesystem::exists(PeakFileName(song)));
    QVERIFY(!world.services.Progress().IsOpen());
}

void WaveformTest::PlayCursorFollowsPlaybackAndKeysZoom() {
    UiWorld world;
    QVERIFY(UiWorld::WriteSong(world.settings.Bin1Path + "/Side A.wav", 4.0));
    CAudioHost host(false);  // the virtual card at real time: the cursor has somewhere to go
    std::unique_ptr<CAudioDevice> device = CreateAudioDevice(world.settings, host);
    CPlayer player(*device);
    UiSession s(world, "b1 b1 select:1 b2 b2", &player);  // Edit File, Adjust Dividers
    auto* pane = s.PaneAs<CWaveformPane>();
    QVERIFY(pane);
    CWaveGraph* overview = pane->Overview();
    QCOMPARE(overview->Cursor(), int64_t(-1));

    QVERIFY(s.shell.WaveformPane()->PlayOrStop());  // Space
    QVERIFY(QTest::qWaitFor([&] { return overview->Cursor() >= 0; }, 2000));
    std::vector<int64_t> seen{overview->Cursor()};
    for (int tick = 0; tick < 6; ++tick) {
        QTest::qWait(CPlayer::kPositionPeriodMs);
        seen.push_back(overview->Cursor());
        QCOMPARE(pane->Detail()->Cursor(), seen.back());
    }
    QVERIFY(std::is_sorted(seen.begin(), seen.end()));
    QVERIFY(seen.back() > seen.front());
    s.shell.WaveformPane()->PlayOrStop();
    QTest::qWait(3 * CPlayer::kPositionPeriodMs);
    QCOMPARE(overview->Cursor(), int64_t(-1));

    // + and - halve and double the lower graph's scale, within the whole song; 0 shows it all again.
    const CWaveView& view = pane->Detail()->View();
    QVERIFY(view.ShowsAll());
    const double whole = view.BytesPerColumn();
    const struct {
        Qt::Key key;
        double scale;
    } steps[] = {{Qt::Key_Plus, whole / 2},
                 {Qt::Key_Plus, whole / 4},
                 {Qt::Key_Minus, whole / 2},
                 {Qt::Key_0, whole},
                 {Qt::Key_Minus, whole}};
    for (const auto& step : steps) {
        QTest::keyClick(pane, step.key);
        QCOMPARE(view.BytesPerColumn(), step.scale);
    }
    QVERIFY(view.ShowsAll());
}

void WaveformTest::TrimPreviewPlaysWhatTheTrimLeaves() {
    UiWorld world;
    const std::string song = world.settings.Bin2Path + "/Side A.wav";
    QVERIFY(UiWorld::WriteSong(song, 10.0));
    CAudioHost host(false);
    host.VirtualCard().SetPace(0);
    host.VirtualCard().SetSink(world.root.File("played.wav"));
    std::unique_ptr<CAudioDevice> device = CreateAudioDevice(world.settings, host);
    CPlayer player(*device);
    // Final Touches, Trim Start/End, Trim End, Trim Less: 3.75 s at the end go.
    UiSession s(world, "bin2 select:1 b3 b3 b3 b3", &player);
    QCOMPARE(s.shell.State(), int(kStateTrimEnd));
    auto* pane = s.PaneAs<CWaveformPane>();
    QVERIFY(pane);
    Shot(s.window, "waveform-trim-end");
    const uint32_t second = 176400;
    const uint32_t length = 10 * second;
    const uint32_t cut = length - 3750 * second / 1000;
    QCOMPARE(s.shell.WaveformPane()->Doc().SelStart(), cut);
    // The lower graph shows the part that goes and the 4 seconds the preview plays.
    QVERIFY(std::abs(pane->Detail()->PositionAt(0) - (cut - 4.0 * second)) <= pane->Detail()->View().BytesOf(1));
    QCOMPARE(pane->Detail()->PositionAt(pane->Detail()->width()), length);

    s.Play("b4");  // Preview Trim
    QVERIFY(WaitForSilence(world, player));
    WaveContents played;
    WaveContents original;
    QVERIFY(ReadWave(world.root.File("played.wav"), played));
    QVERIFY(ReadWave(song, original));
    QCOMPARE(played.data.size(), size_t(4 * second));
    QVERIFY(std::equal(played.data.begin(), played.data.end(), original.data.begin() + (cut - 4 * second)));
}

void WaveformTest::DoFadeAddsAStepWithTheCurveShown() {
    UiWorld world;
    const std::string song = world.settings.Bin2Path + "/Side A.wav";
    QVERIFY(UiWorld::WriteSong(song, 5.0));
    UiSession s(world, "bin2 select:1 b3 b4 b2");  // Final Touches, Fade In/Out, Fade In
    QCOMPARE(s.shell.State(), int(kStateFadeIn));
    auto* pane = s.PaneAs<CWaveformPane>();
    QVERIFY(pane);
    CWavePane& wave = *s.shell.WaveformPane();
    const std::vector<double> curve = wave.FocusCurve(5);
    QCOMPARE(curve.size(), size_t(5));
    QVERIFY(curve.front() < 0.001 && curve.back() > 0.999);  // silence rising to full gain
    QVERIFY(std::is_sorted(curve.begin(), curve.end()));
    Shot(s.window, "waveform-fade-in");

    const size_t steps = wave.Doc().Wave().Session().Steps().size();
    s.Play("b1");  // Do Fade
    QCOMPARE(s.shell.State(), int(kStateFadeSelect));
    QCOMPARE(wave.Doc().Wave().Session().Steps().size(), steps + 1);
    QVERIFY(wave.Doc().Modified());
    // The upper graph draws the faded song: its start is now far below its end.
    const CPeakLevels& levels = wave.Levels();
    QVERIFY(levels.Peak(0, 0, 4410 * 4) * 20 < levels.Peak(0, levels.Length() - 44100 * 4, levels.Length()));
    QVERIFY(wave.FocusCurve(5).empty());  // the Final Touches view again
}

// Record player to split songs on the virtual card: record a side of three songs, stop and save (indexed),
// nudge a divider, copy to the worklist, Clean, Enhance, trim the start, and Write to CD MP3/WMA splits it.
void WaveformTest::ARecordGoesTheWholeRoadToThreeSongs() {
    UiWorld world;
    const std::string line = world.root.File("line-in.wav");
    QVERIFY(
        WriteWave(line, 2, 44100, 16, MakeRecording({Music(10.5), Gap(2.5), Music(10.5), Gap(2.5), Music(10.5)}, 2)));
    WaveContents source;
    QVERIFY(ReadWave(line, source));
    CAudioHost host(false);
    host.VirtualCard().SetSource(line);
    std::unique_ptr<CAudioDevice> device = CreateAudioDevice(world.settings, host);
    CPlayer player(*device);
    host.VirtualCard().SetPace(1);
    UiSession s(world, "b1 b3 b1 b1", &player);  // Record Player, LP, hooked up: the meter check
    QCOMPARE(s.shell.State(), int(kStateMeterCheck));
    auto* record = s.PaneAs<CRecordPane>();
    QVERIFY(record);
    for (int i = 0; i < 300 && record->Meters()->LeftDb() <= CLevelMeters::kFloorDb; ++i) QTest::qWait(10);
    QVERIFY(record->Meters()->LeftDb() > CLevelMeters::kFloorDb);  // dancing
    QVERIFY(s.Play("b1 b1"));                                      // Dancing, Right ON
    QCOMPARE(s.shell.State(), int(kStateReadyToRecord));
    // The needle goes back to the start of the side, which then plays as fast as the card can take it.
    s.shell.RecordPane()->Stop();
    host.VirtualCard().SetPace(0);
    QVERIFY(s.Play("b1"));
    QCOMPARE(s.shell.State(), int(kStateRecording));
    // By the clock: a wait for messages returns as soon as one comes, and they come all the time.
    QElapsedTimer waited;
    waited.start();
    while (player.TakeBytes() < source.data.size() && waited.elapsed() < 30000) world.services.WaitMessages(5);
    QCOMPARE(player.TakeBytes(), uint64_t(source.data.size()));
    QVERIFY(s.Play("b1"));  // Stop: paused
    s.shell.RecordPane()->SetFlatPreamp(false);
    world.services.Scripted().QueueText("Side One");
    QVERIFY(s.Play("b2"));  // Stop and Save
    QCOMPARE(s.shell.State(), int(kStateTrackReview));
    Shot(s.window, "road-track-review");
    auto* pane = s.PaneAs<CWaveformPane>();
    QVERIFY(pane);
    QCOMPARE(pane->Tracks()->topLevelItemCount(), 3);

    QVERIFY(s.Play("b2"));  // Adjust Dividers: the second divider a little earlier by hand
    CWaveGraph* graph = pane->Detail();
    const CDividerList& dividers = s.shell.WaveformPane()->Doc().Dividers();
    const int x = graph->ColumnOf(dividers.Position(1));
    QTest::mousePress(graph, Qt::LeftButton, {}, QPoint(x, 50));
    QTest::mouseMove(graph, QPoint(x - 3, 50));
    QTest::mouseRelease(graph, Qt::LeftButton, {}, QPoint(x - 3, 50));
    const uint32_t second = 176400;
    const uint32_t cut = dividers.Position(1);
    QVERIFY(cut > 11 * second && cut < 13 * second);
    const uint32_t third = dividers.Position(2);
    Shot(s.window, "road-adjust-dividers");

    QVERIFY(s.Play("b1 b1"));  // Done, Done: into the worklist
    QCOMPARE(s.shell.State(), int(kStateWorkingOn));
    QVERIFY(s.Play("select:1 b1 b2"));  // Clean, Process
    QCOMPARE(s.shell.State(), int(kStateWorkingOn));
    QVERIFY(s.Play("select:1 b2 b2"));  // Enhance, Process
    QCOMPARE(s.shell.State(), int(kStateWorkingOn));
    QVERIFY(s.Play("select:1 b3 b3 b2"));  // Final Touches, Trim Start/End, Trim Start: 4 s go
    QCOMPARE(s.shell.State(), int(kStateTrimStart));
    Shot(s.window, "road-trim-start");
    QVERIFY(s.Play("b1 b1 b1"));  // Do Trim, Done, Done
    QCOMPARE(s.shell.State(), int(kStateWorkingOn));
    const std::string song = world.settings.Bin2Path + "/Side One.wav";
    // The trim took the divider at 0 with it; the audio before the first divider is still a piece.
    QCOMPARE(StoredDividers(song).size(), size_t(2));

    QVERIFY(s.Play("select:1 b4"));  // Write to CD MP3/WMA: split into Bin3
    QCOMPARE(s.shell.State(), int(kStateReadyForCd));
    Shot(s.window, "road-ready-for-cd");
    std::vector<std::string> tracks;
    for (const auto& e : std::filesystem::directory_iterator(world.settings.Bin3Path)) {
        if (e.path().extension() == ".wav") tracks.push_back(e.path().string());
    }
    std::sort(tracks.begin(), tracks.end());
    QCOMPARE(tracks.size(), size_t(3));
    // Each file holds its track: the first lost the 4 s trimmed, and a CD's tracks start on whole sectors.
    const uint32_t trim = 4 * second;
    auto sector = [](uint32_t bytes) { return bytes / 2352 * 2352; };
    const uint32_t end = static_cast<uint32_t>(source.data.size()) - trim;
    const uint32_t starts[4] = {0, sector(cut - trim), sector(third - trim), end};
    for (size_t i = 0; i < 3; ++i) {
        WaveContents track;
        QVERIFY(ReadWave(tracks[i], track));
        QCOMPARE(track.channels, uint16_t(2));
        QCOMPARE(track.data.size(), size_t(starts[i + 1] - starts[i]));
    }
}

QTEST_MAIN(WaveformTest)
#include "WaveformTest.moc"
