// The CD panes' own controls and the set-up dialogs, through the real window:
// each control reaches its controller, and what it chose is what the job does.
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <functional>

#include "UiWorld.h"
#include "audiofile/PeakFile.h"
#include "cd/CdRipper.h"
#include "shell/ShellDlg.h"
#include "support/CdImageBuilder.h"
#include "ui/CdRipPane.h"
#include "ui/PictureButton.h"
#include "ui/Replay.h"
#include "ui/ShellWindow.h"

namespace fs = std::filesystem;

namespace {

// The window over a world, after these clicks.
struct Session {
    Session(UiWorld& world, const char* script)
        : shell(world.settings, world.store, world.songs), window(shell, world.settings) {
        shell.SetCdDrives(false);
        world.services.SetMainWindow(&window);
        window.show();
        shell.OnInitDialog();
        for (const QString& e : CReplay::Split(QString::fromLatin1(script))) ok = ok && CReplay::Play(window, e);
    }
    template <class Pane>
    Pane* PaneAs() const {
        return dynamic_cast<Pane*>(window.Pane());
    }
    CShellDlg shell;
    CShellWindow window;
    bool ok = true;
};

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

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT
private slots:
    void CdRipBrowseStoresTheFolderAndOneFileRipWritesOneWave();
};

void DialogsTest::CdRipBrowseStoresTheFolderAndOneFileRipWritesOneWave() {
    UiWorld world;
    const std::string images = world.root.File("images");
    fs::create_directories(images);
    MakeCueImage(images, "disc", {{150}, {300}, {226}});
    world.store.WriteProfileString("CDRip", "ImageFolder", images);
    const std::string target = world.root.File("Ripped");
    fs::create_directories(target);

    Session s(world, "b1 b2");  // Audio CD: the rip pane
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

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
