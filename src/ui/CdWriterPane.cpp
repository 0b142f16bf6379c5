#include "ui/CdWriterPane.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "cd/CdBurner.h"
#include "ui/SongListView.h"

namespace {

// Narrower than a dialog of its own would make it: Length and Date stay in sight in the pane and the
// path keeps room for its folder's end and the file name.
constexpr int kNameWidth = 120;

}  // namespace

CCdWriterPane::CCdWriterPane(CCdBurner& burner, ITrackPlayer* player, QWidget* parent)
    : CPaneWidget(parent), m_burner(&burner), m_player(player) {
    m_recorders = new QComboBox(this);
    m_simulate = new QCheckBox(QStringLiteral("Sim"), this);
    m_simulate->setToolTip(QStringLiteral("Simulate: go through the whole write without burning the disc"));
    m_disc = new QLabel(this);
    m_list = new CSongListView(this, [this](size_t before) { MoveSelectedBefore(before); });
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setHeaderLabels(
        {QStringLiteral("Name"), QStringLiteral("Length"), QStringLiteral("Date"), QStringLiteral("Full Path")});
    m_list->header()->setSectionResizeMode(QHeaderView::Interactive);
    m_list->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_list->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    m_list->header()->setStretchLastSection(true);
    m_list->setColumnWidth(0, kNameWidth);
    // A path loses its middle rather than the file name at its end; the row's tooltip has it whole.
    m_list->setTextElideMode(Qt::ElideMiddle);
    m_space = new QProgressBar(this);
    m_space->setRange(0, CCdBurner::kSpaceRange);
    m_space->setTextVisible(false);
    m_space->setMaximumHeight(12);
    m_spaceText = new QLabel(this);
    auto* preview = new QPushButton(QStringLiteral("Preview Track"), this);
    auto* remove = new QPushButton(QStringLiteral("Delete Track"), this);

    auto* recorderRow = new QHBoxLayout;
    recorderRow->addWidget(new QLabel(QStringLiteral("CD Writers:"), this));
    recorderRow->addWidget(m_recorders, 1);
    recorderRow->addWidget(m_simulate);
    auto* spaceRow = new QHBoxLayout;
    spaceRow->addWidget(new QLabel(QStringLiteral("Space Used:"), this));
    spaceRow->addWidget(m_space, 1);
    spaceRow->addWidget(m_spaceText);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(preview);
    buttons->addStretch(1);
    buttons->addWidget(remove);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 6, 8, 6);
    column->setSpacing(4);
    column->addLayout(recorderRow);
    column->addWidget(m_disc);
    column->addWidget(m_list, 1);
    column->addLayout(spaceRow);
    column->addLayout(buttons);

    connect(m_recorders, &QComboBox::activated, this, [this](int index) {
        if (!m_burner) return;
        m_burner->SelectRecorder(index);
        ShowSpace();
    });
    connect(m_simulate, &QCheckBox::toggled, this, [this](bool on) {
        if (m_burner) m_burner->SetSimulate(on);
    });
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (m_filling || !m_burner) return;
        for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
            m_burner->SetSelected(static_cast<size_t>(i), m_list->topLevelItem(i)->isSelected());
        }
    });
    connect(preview, &QPushButton::clicked, this, [this] {
        if (m_burner && m_player) m_burner->Preview(*m_player);
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        if (m_burner && m_burner->DeleteSelected()) Reload();
    });
    connect(&m_discTimer, &QTimer::timeout, this, [this] {
        if (!m_burner || m_burner->Burning()) return;
        m_burner->ShowDiscInfo();
        ShowSpace();
    });
    m_discTimer.start(CCdBurner::kDiscInfoMs);
    Reload();
}

void CCdWriterPane::Detach() {
    m_discTimer.stop();
    m_burner = nullptr;
}

void CCdWriterPane::Reload() {
    if (!m_burner) return;
    m_filling = true;
    m_recorders->clear();
    for (const std::string& name : m_burner->RecorderNames()) m_recorders->addItem(QString::fromStdString(name));
    m_recorders->setCurrentIndex(m_burner->SelectedRecorder());
    {
        const QSignalBlocker quiet(m_simulate);
        m_simulate->setChecked(m_burner->Simulate());
    }
    m_list->clear();
    for (const CdSongRow& row : m_burner->Rows()) {
        auto* item =
            new QTreeWidgetItem(m_list, {QString::fromStdString(row.name), QString::fromStdString(row.length).trimmed(),
                                         QString::fromStdString(row.date), QString::fromStdString(row.path)});
        for (int column : {0, 3}) item->setToolTip(column, QString::fromStdString(row.path));
        // Rows are dragged, never dropped onto.
        item->setFlags(item->flags() & ~Qt::ItemIsDropEnabled);
        item->setSelected(row.selected);
    }
    m_filling = false;
    ShowSpace();
}

void CCdWriterPane::MoveSelectedBefore(size_t before) {
    if (m_burner && m_burner->MoveSelectedBefore(before)) Reload();
}

void CCdWriterPane::ShowSpace() {
    if (!m_burner) return;
    m_disc->setText(QString::fromStdString(m_burner->DiscText()));
    m_space->setValue(std::clamp(m_burner->SpaceBar(), 0, CCdBurner::kSpaceRange));
    m_spaceText->setText(QString::fromStdString(m_burner->SpaceText()));
}
