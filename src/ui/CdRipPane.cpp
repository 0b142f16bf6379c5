#include "ui/CdRipPane.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "cd/CdRipper.h"

CCdRipPane::CCdRipPane(CCdRipper& ripper, QWidget* parent) : CPaneWidget(parent), m_ripper(&ripper) {
    m_drives = new QComboBox(this);
    m_image = new QPushButton(QStringLiteral("Open Image..."), this);
    m_titles = new QPushButton(QStringLiteral("Look Up Titles"), this);
    m_play = new QPushButton(this);
    m_list = new QTreeWidget(this);
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    m_list->setHeaderLabels(
        {QStringLiteral("Track Name"), QStringLiteral("Time"), QStringLiteral("Artist"), QStringLiteral("Disk Title")});
    m_list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_list->header()->setStretchLastSection(false);
    for (int c = 1; c <= 3; ++c) m_list->header()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    m_folder = new QLabel(this);
    m_folder->setTextFormat(Qt::PlainText);
    m_folder->setMinimumWidth(0);
    m_folder->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_browse = new QPushButton(QStringLiteral("Browse..."), this);
    m_oneFile = new QCheckBox(QStringLiteral("Rip all tracks to one file"), this);
    m_status = new QLabel(this);
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 100);
    m_progress->setMaximumHeight(12);
    m_progress->setTextVisible(false);

    auto* top = new QHBoxLayout;
    top->addWidget(m_drives, 1);
    top->addWidget(m_image);
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(m_folder, 1);
    folderRow->addWidget(m_browse);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_titles);
    buttons->addWidget(m_play);
    buttons->addStretch(1);
    buttons->addWidget(m_oneFile);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 6, 8, 6);
    column->setSpacing(4);
    column->addLayout(top);
    column->addWidget(m_list, 1);
    column->addLayout(folderRow);
    column->addWidget(m_status);
    column->addWidget(m_progress);
    column->addLayout(buttons);

    connect(m_drives, &QComboBox::activated, this, [this](int index) {
        if (!m_ripper) return;
        m_ripper->SelectDrive(index);
        m_ripper->ReadTrackList();
        Reload();
    });
    connect(m_image, &QPushButton::clicked, this, [this] {
        const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("Open Image"), QString(),
                                                          QStringLiteral("CD images (*.cue *.toc)"));
        if (file.isEmpty() || !m_ripper) return;
        m_ripper->OpenImage(file.toStdString());
        m_ripper->ReadTrackList();
        Reload();
    });
    connect(m_browse, &QPushButton::clicked, this, [this] { OnBrowse(); });
    connect(m_oneFile, &QCheckBox::toggled, this, [this](bool on) {
        if (m_ripper) m_ripper->Options().oneFile = on;
    });
    connect(m_titles, &QPushButton::clicked, this, [this] {
        if (m_ripper && m_ripper->LookUpTitles()) Reload();
    });
    connect(m_play, &QPushButton::clicked, this, [this] {
        if (!m_ripper) return;
        m_ripper->PlayTrack();
        ShowStatus();
    });
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (m_filling || !m_ripper) return;
        for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
            m_ripper->SetSelected(static_cast<size_t>(i), m_list->topLevelItem(i)->isSelected());
        }
    });
    connect(m_list, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (m_filling || !m_ripper || column != 0) return;
        m_ripper->SetRowName(static_cast<size_t>(m_list->indexOfTopLevelItem(item)), item->text(0).toStdString());
    });
    // The ripper may outlive this pane (the window closes first) or go before it: the observer
    // only reaches the pane while both are there.
    ripper.SetObserver([self = QPointer<CCdRipPane>(this)](CCdRipper::Change change) {
        if (!self) return;
        if (change == CCdRipper::Change::Status || change == CCdRipper::Change::Progress ||
            change == CCdRipper::Change::PlayCaption) {
            self->ShowStatus();
        } else {
            self->Reload();
        }
    });
    connect(&m_probe, &QTimer::timeout, this, [this] {
        if (m_ripper) m_ripper->Probe();
    });
    m_probe.start(kProbeMs);
    Reload();
}

void CCdRipPane::Detach() {
    m_probe.stop();
    m_ripper = nullptr;
}

void CCdRipPane::Reload() {
    if (!m_ripper) return;
    m_filling = true;
    m_drives->clear();
    for (const CdDriveEntry& drive : m_ripper->Drives()) m_drives->addItem(QString::fromStdString(drive.name));
    m_drives->setCurrentIndex(m_ripper->SelectedDrive());
    m_list->clear();
    for (const CdRipRow& row : m_ripper->Rows()) {
        auto* item =
            new QTreeWidgetItem(m_list, {QString::fromStdString(row.name).trimmed(), QString::fromStdString(row.time),
                                         QString::fromStdString(row.artist), QString::fromStdString(row.album)});
        if (row.audio) item->setFlags(item->flags() | Qt::ItemIsEditable);
        item->setSelected(row.selected);
    }
    m_filling = false;
    const QSignalBlocker quiet(m_oneFile);
    m_oneFile->setChecked(m_ripper->Options().oneFile);
    ShowFolder();
    ShowStatus();
}

void CCdRipPane::resizeEvent(QResizeEvent* event) {
    CPaneWidget::resizeEvent(event);
    if (m_ripper) ShowFolder();
}

void CCdRipPane::ShowFolder() {
    const QString folder = QDir::toNativeSeparators(QString::fromStdString(m_ripper->RipFolder()));
    const QString text = QStringLiteral("Rip to: ") + folder;
    // Long paths keep their end, where the folder's own name is.
    m_folder->setText(m_folder->fontMetrics().elidedText(text, Qt::ElideMiddle, std::max(m_folder->width(), 120)));
    m_folder->setToolTip(folder);
}

void CCdRipPane::OnBrowse() {
    if (!m_ripper) return;
    QFileDialog dialog(this, QStringLiteral("Select a Directory to Rip to"),
                       QString::fromStdString(m_ripper->RipFolder()));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty() || !m_ripper) return;
    m_ripper->SetRipFolder(dialog.selectedFiles().front().toStdString());
    ShowFolder();
}

void CCdRipPane::ShowStatus() {
    if (!m_ripper) return;
    QString status = QString::fromStdString(m_ripper->Status());
    if (!m_ripper->TotalText().empty()) status += QStringLiteral("   ") + QString::fromStdString(m_ripper->TotalText());
    m_status->setText(status);
    m_progress->setValue(m_ripper->Progress());
    m_play->setText(m_ripper->PlayCaption().empty() ? QStringLiteral("Play")
                                                    : QString::fromStdString(m_ripper->PlayCaption()));
    m_play->setEnabled(!m_ripper->Rows().empty());
    m_titles->setEnabled(m_ripper->CdPresent());
    // The folder and the one-file choice hold for a whole rip; encoded rips make one file per track.
    m_browse->setEnabled(!m_ripper->Ripping());
    m_oneFile->setEnabled(!m_ripper->Ripping() && !m_ripper->Options().ripToMp3);
}
