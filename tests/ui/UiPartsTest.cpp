// The window's small parts: file filters, colours, the replay's words and the
// progress window's drawing of its model.
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "UiWorld.h"
#include "ui/FileFilter.h"
#include "ui/ProgressWindow.h"
#include "ui/Replay.h"
#include "ui/UiFonts.h"

class UiPartsTest : public QObject {
    Q_OBJECT
private slots:
    void StoredFiltersBecomeQtFilters_data();
    void StoredFiltersBecomeQtFilters();
    void ColoursAreStoredBlueGreenRed();
    void ReplayWordsAreSplitAndChecked();
    void ProgressWindowDrawsItsModelAndCancels();
};

void UiPartsTest::StoredFiltersBecomeQtFilters_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QStringList>("qt");
    QTest::newRow("import") << "Wave File (*.wav)|*.wav|MP3 audio (*.mp3)|*.mp3|All files (*.*)|*.*||"
                            << QStringList{"Wave File (*.wav)", "MP3 audio (*.mp3)", "All files (*.*)"};
    QTest::newRow("text without pattern")
        << "Executable Files|*.exe;*.sh||" << QStringList{"Executable Files (*.exe *.sh)"};
    QTest::newRow("empty") << "" << QStringList{};
    QTest::newRow("dangling text") << "Wave File (*.wav)" << QStringList{};
}

void UiPartsTest::StoredFiltersBecomeQtFilters() {
    QFETCH(QString, stored);
    QFETCH(QStringList, qt);
    QCOMPARE(CFileFilter::ToQt(stored.toStdString()), qt);
}

void UiPartsTest::ColoursAreStoredBlueGreenRed() {
    QCOMPARE(CUiFonts::Colour(0xA6C8C8), QColor(0xC8, 0xC8, 0xA6));
    QCOMPARE(CUiFonts::Colour(0x0000FF), QColor(255, 0, 0));
}

void UiPartsTest::ReplayWordsAreSplitAndChecked() {
    QCOMPARE(CReplay::Split(QStringLiteral("  b1\tb2\n select:1,2  ")), (QStringList{"b1", "b2", "select:1,2"}));
    for (const char* word :
         {"b1", "b4", "back", "bin3", "start-over", "0", "8", "tw", "exit", "select-all", "select:2"}) {
        QVERIFY2(CReplay::Known(QString::fromLatin1(word)), word);
    }
    for (const char* word : {"b5", "9", "bin4", "selectall", "Back", ""})
        QVERIFY2(!CReplay::Known(QString::fromLatin1(word)), word);
}

void UiPartsTest::ProgressWindowDrawsItsModelAndCancels() {
    UiWorld world;
    CancelFlag().store(false);
    world.services.ProgressOpen(100, 300, "Cleaning Side A");
    CProgressWindow* window = world.services.ProgressWindow();
    QVERIFY(window);
    world.services.ProgressSetPos(150);
    QCOMPARE(window->findChild<QProgressBar*>()->value(), 250);  // 25 % of a bar of 1000
    QVERIFY(window->findChild<QLabel*>()->text() == QStringLiteral("Cleaning Side A"));
    world.services.Progress().EnableCancel(false);
    world.services.ProgressSetPos(160);
    QVERIFY(!window->CancelButton()->isEnabled());
    world.services.Progress().EnableCancel(true);
    world.services.ProgressSetPos(170);
    window->CancelButton()->click();
    QVERIFY(CancelFlag().load());
    world.services.ProgressClose();
    QVERIFY(!world.services.ProgressWindow());
    QVERIFY(!world.services.ProgressIsOpen());
    CancelFlag().store(false);
}

QTEST_MAIN(UiPartsTest)
#include "UiPartsTest.moc"
