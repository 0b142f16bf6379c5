#include "ui/ShellWindow.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QShortcut>

#include "base/AppSettings.h"
#include "base/SettingsStore.h"
#include "base/StringTable.h"
#include "shell/WavePane.h"
#include "ui/AboutBox.h"
#include "ui/FileFilter.h"
#include "ui/Mp3SetupDialog.h"
#include "ui/PaneFactory.h"
#include "ui/PaneWidget.h"
#include "ui/PictureButton.h"
#include "ui/PreferencesDialog.h"
#include "ui/ShellBackground.h"
#include "ui/SoundCardDialog.h"
#include "ui/TrainingWheelsWindow.h"
#include "ui/UiFonts.h"

namespace {

// Where the controls sit, in client pixels.
const QRect kPromptRect(90, AppSettings::kMessageTop, 350, AppSettings::kMessageHeight);
constexpr int kStageLefts[4] = {40, 136, 232, 328};
constexpr int kStageWidth = 94;
constexpr int kBackLeft = 424;
constexpr int kBackWidth = 63;
constexpr int kBinTop = 588;
constexpr int kBinHeight = 45;
constexpr int kBinLefts[3] = {40, 175, 310};
constexpr int kBinWidth = 129;
constexpr int kExitLeft = 445;
constexpr int kExitWidth = 44;
const QRect kEditorRect(35, AppSettings::kSideButtonsTop, 48, 115);
const QRect kWheelsRect(442, AppSettings::kSideButtonsTop, 48, 115);
// The buttons keep one look whatever font the Preferences store: light on the dark picture.
constexpr const char* kCaptionFace = "Comic Sans MS Bold";
constexpr uint32_t kInk = 0xA6C8C8;  // 0x00BBGGRR

QString Text(MsgId id) {
    return QString::fromStdString(LoadString(id));
}

// The file dialog of an action: an existing file to open or, with save, a name to write to starting
// at proposed. Empty when cancelled.
std::string ChooseFile(QWidget* parent, const std::string& title, const std::string& filter,
                       const std::string& proposed, bool save) {
    QFileDialog dialog(parent, QString::fromStdString(title));
    const QStringList filters = CFileFilter::ToQt(filter);
    dialog.setNameFilters(filters);
    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        // The controller asks about a file it would replace, and also about the BIN beside the CUE.
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        const QString first = filters.value(0);
        const qsizetype star = first.indexOf(QStringLiteral("*."));
        if (star >= 0) dialog.setDefaultSuffix(first.mid(star + 2).section(QLatin1Char(')'), 0, 0));
        dialog.selectFile(QString::fromStdString(proposed));
    } else {
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front().toStdString();
}

}  // namespace

CShellWindow::CShellWindow(CShellDlg& shell, AppSettings& settings, QWidget* parent)
    : QWidget(parent), m_shell(shell), m_settings(settings) {
    setWindowTitle(QString::fromLatin1(kAppCaption));
    setFixedSize(kClientWidth, kClientHeight);
    BuildControls();
    m_shell.SetObserver([this](CShellDlg::Change change) { OnChange(change); });
    m_shell.SetFileChooser([this](const std::string& title, const std::string& filter) {
        return ChooseFile(this, title, filter, {}, false);
    });
    m_shell.SetSaveChooser([this](const std::string& title, const std::string& filter, const std::string& proposed) {
        return ChooseFile(this, title, filter, proposed, true);
    });
    ShowCaptions();
    ShowPrompt();
}

CShellWindow::~CShellWindow() {
    m_shell.SetObserver({});
    m_shell.SetFileChooser({});
    m_shell.SetSaveChooser({});
    if (m_pane) m_pane->Detach();
}

QRect CShellWindow::PaneRect() {
    return {AppSettings::kPaneLeft, AppSettings::kPaneTop, AppSettings::kPaneRight - AppSettings::kPaneLeft,
            AppSettings::kPaneBottom - AppSettings::kPaneTop};
}

void CShellWindow::BuildControls() {
    m_prompt = new QLabel(this);
    m_prompt->setGeometry(kPromptRect);
    m_prompt->setWordWrap(true);
    m_prompt->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_prompt->setFont(CUiFonts::Prompt(this));
    QPalette palette = m_prompt->palette();
    palette.setColor(QPalette::WindowText, CUiFonts::Colour(kInk));
    m_prompt->setPalette(palette);

    const QFont captions = CUiFonts::Button(kCaptionFace, 100, this);
    const QColor ink = CUiFonts::Colour(kInk);
    auto make = [&](const QRect& at, CPictureButton::Glyph glyph = CPictureButton::Glyph::None) {
        auto* button = new CPictureButton(this, glyph);
        button->setGeometry(at);
        button->setFont(captions);
        button->SetTextColour(ink);
        return button;
    };
    for (int i = 0; i < 4; ++i) {
        m_stage[i] =
            make(QRect(kStageLefts[i], AppSettings::kButtonRowTop, kStageWidth, AppSettings::kButtonRowHeight));
        connect(m_stage[i], &QAbstractButton::clicked, this, [this, i] { m_shell.Dispatch(kEventButton1 + i); });
    }
    m_back = make(QRect(kBackLeft, AppSettings::kButtonRowTop, kBackWidth, AppSettings::kButtonRowHeight));
    m_back->setText(QStringLiteral("Back"));
    connect(m_back, &QAbstractButton::clicked, this, [this] { m_shell.Dispatch(kEventBack); });
    const MsgId binTips[3] = {kMsgTipBin1, kMsgTipBin2, kMsgTipBin3};
    for (int i = 0; i < 3; ++i) {
        m_bins[i] = make(QRect(kBinLefts[i], kBinTop, kBinWidth, kBinHeight));
        m_bins[i]->setText(QStringLiteral("Bin%1").arg(i + 1));
        m_bins[i]->setToolTip(Text(binTips[i]));
        connect(m_bins[i], &QAbstractButton::clicked, this, [this, i] { m_shell.Dispatch(kEventBin1 + i); });
    }
    m_exit = make(QRect(kExitLeft, kBinTop, kExitWidth, kBinHeight));
    m_exit->setText(QStringLiteral("Exit"));
    m_exit->setToolTip(Text(kMsgTipExit));
    connect(m_exit, &QAbstractButton::clicked, this, [this] { m_shell.OnExit(); });
    m_editor = make(kEditorRect, CPictureButton::Glyph::Editor);
    m_editor->setText(QStringLiteral("Adv"));
    m_editor->setToolTip(Text(kMsgTipAdvanced));
    connect(m_editor, &QAbstractButton::clicked, this, [this] { m_shell.OnAdvancedEditor(); });
    m_wheels = make(kWheelsRect, CPictureButton::Glyph::TrainingWheels);
    m_wheels->setText(QStringLiteral("TW"));
    m_wheels->setToolTip(Text(kMsgTipTrainingWheels));
    connect(m_wheels, &QAbstractButton::clicked, this, [this] { m_shell.ToggleTrainingWheels(); });
    for (CPictureButton* b : {m_back, m_bins[0], m_bins[1], m_bins[2], m_exit, m_editor, m_wheels}) {
        b->setAccessibleName(b->toolTip().isEmpty() ? b->text() : b->toolTip());
    }

    // Space plays in the waveform pane only, so that elsewhere it still presses the focused button.
    m_space = new QShortcut(QKeySequence(Qt::Key_Space), this);
    m_space->setEnabled(false);
    connect(m_space, &QShortcut::activated, this, [this] { OnSpace(); });
}

CPictureButton* CShellWindow::ButtonOf(int event) const {
    if (event >= kEventButton1 && event <= kEventButton4) return m_stage[static_cast<size_t>(event - kEventButton1)];
    if (event == kEventBack) return m_back;
    if (event >= kEventBin1 && event <= kEventBin3) return m_bins[static_cast<size_t>(event - kEventBin1)];
    return nullptr;
}

void CShellWindow::OnChange(CShellDlg::Change change) {
    switch (change) {
        case CShellDlg::Change::Buttons:
            ShowCaptions();
            break;
        case CShellDlg::Change::Prompt:
            ShowPrompt();
            if (m_wheelsWindow) m_wheelsWindow->ShowPicture(m_shell);
            break;
        case CShellDlg::Change::Panes:
            ShowPane();
            break;
        case CShellDlg::Change::TrainingWheels:
            ShowTrainingWheels();
            break;
        case CShellDlg::Change::Picture:
            if (m_wheelsWindow) m_wheelsWindow->ShowPicture(m_shell);
            break;
        case CShellDlg::Change::Exit:
            close();
            break;
        case CShellDlg::Change::ConfigureEditor:
            CAboutBox::ConfigureEditor(this, m_settings);
            break;
    }
}

void CShellWindow::ShowCaptions() {
    for (int i = 0; i < 4; ++i) {
        const std::string& caption = m_shell.Caption(i);
        m_stage[i]->setText(QString::fromStdString(caption));
        m_stage[i]->setAccessibleName(QString::fromStdString(caption));
        m_stage[i]->setVisible(!caption.empty());
    }
    if (m_pane) m_pane->Reload();
}

void CShellWindow::ShowPrompt() {
    const QString text = QString::fromStdString(m_shell.Prompt());
    // The longest prompts need a smaller face than the usual one to fit the line's box.
    QFont font = CUiFonts::Prompt(this);
    while (font.pointSizeF() > 7.5 &&
           QFontMetrics(font).boundingRect(QRect(QPoint(0, 0), kPromptRect.size()), Qt::TextWordWrap, text).height() >
               kPromptRect.height()) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
    }
    m_prompt->setFont(font);
    m_prompt->setText(text);
}

void CShellWindow::ShowPane() {
    const void* open = CPaneFactory::OpenController(m_shell);
    if (m_pane && m_pane->Controller() == open && open) return;
    if (m_pane) {
        // The controller may already be gone: the widget is only hidden and dropped.
        m_pane->Detach();
        m_pane->hide();
        m_pane->deleteLater();
        m_pane = nullptr;
    }
    m_pane = CPaneFactory::Make(m_shell, this);
    if (m_pane) {
        m_pane->setGeometry(PaneRect());
        m_pane->show();
    }
    m_space->setEnabled(m_shell.WaveformPane() != nullptr);
}

void CShellWindow::ShowTrainingWheels() {
    if (m_shell.TrainingWheels() && !m_wheelsWindow) {
        m_wheelsWindow = new CTrainingWheelsWindow(this);
        m_wheelsWindow->move(frameGeometry().left() + 520, frameGeometry().top());
        m_wheelsWindow->show();
        m_wheelsWindow->ShowPicture(m_shell);
    } else if (!m_shell.TrainingWheels() && m_wheelsWindow) {
        delete m_wheelsWindow;
        m_wheelsWindow = nullptr;
    }
    m_wheels->setToolTip(Text(kMsgTipTrainingWheels));
}

void CShellWindow::OnSpace() {
    if (CWavePane* wave = m_shell.WaveformPane()) wave->PlayOrStop();
}

void CShellWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    CShellBackground::Paint(p, size(), kPromptRect, PaneRect());
}

void CShellWindow::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(QStringLiteral("Start Over"), this, [this] { m_shell.Dispatch(kEventStartOver); });
    QMenu* setup = menu.addMenu(QStringLiteral("Setup"));
    setup->addAction(QStringLiteral("MP3 Encoder..."), this, [this] { CMp3SetupDialog(Profile(), this).exec(); });
    setup->addAction(QStringLiteral("Sound Card..."), this, [this] {
        CSoundCardDialog(
            m_settings, AudioHost(), [this] { m_shell.RecreateAudioEngine(); }, this)
            .exec();
    });
    setup->addAction(QStringLiteral("Preferences..."), this, [this] {
        CPreferencesDialog dialog(m_shell.OpenPreferences(), m_settings, this);
        if (dialog.exec() == QDialog::Accepted) m_shell.ApplyPreferences(dialog.Model());
    });
    menu.addAction(QStringLiteral("About This Program..."), this, [this] { CAboutBox::Show(this); });
    menu.addAction(QStringLiteral("Training Wheels"), this, [this] { m_shell.ToggleTrainingWheels(); });
    menu.addSeparator();
    menu.addAction(QStringLiteral("E&xit"), this, [this] { m_shell.OnExit(true); });
    menu.exec(event->globalPos());
}

void CShellWindow::closeEvent(QCloseEvent* event) {
    // The title bar's close is the Exit button: a running job is stopped first, and the window stays.
    if (!m_shell.ExitRequested()) m_shell.OnExit();
    if (m_shell.ExitRequested()) {
        event->accept();
    } else {
        event->ignore();
    }
}
