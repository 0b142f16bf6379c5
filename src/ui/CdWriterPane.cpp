#include "ui/CdWriterPane.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "cd/CdBurner.h"

CCdWriterPane::CCdWriterPane(CCdBurner& burner, ITrackPlayer* player, QWidget* parent)
    : CPaneWidget(parent), m_burner(&burner), m_player(player) {
    m_recorders = new QComboBox(this);
    m_disc = new QLabel(this);
    m_list = new QTreeWidget(this);
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Length"), QStringLiteral("Date")});
    m_list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_list->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    m_space = new QProgressBar(this);
    m_space->setRange(0, 1000);
    m_space->setTextVisible(false);
    m_space->setMaximumHeight(12);
    m_spaceText = new QLabel(this);
    auto* up = new QPushButton(QStringLiteral("Move Up"), this);
    auto* down = new QPushButton(QStringLiteral("Move Down"), this);
    auto* preview = new QPushButton(QStringLiteral("Preview"), this);
    auto* remove = new QPushButton(QStringLiteral("Delete"), this);

    auto* spaceRow = new QHBoxLayout;
    spaceRow->addWidget(new QLabel(QStringLiteral("Space Used:"), this));
    spaceRow->addWidget(m_space, 1);
    spaceRow->addWidget(m_spaceText);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(up);
    buttons->addWidget(down);
    buttons->addWidget(preview);
    buttons->addStretch(1);
    buttons->addWidget(remove);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 6, 8, 6);
    column->setSpacing(4);
    column->addWidget(m_recorders);
    column->addWidget(m_disc);
    column->addWidget(m_list, 1);
    column->addLayout(spaceRow);
    column->addLayout(buttons);

    connect(m_recorders, &QComboBox::activated, this, [this](int index) {
        if (!m_burner) return;
        m_burner->SelectRecorder(index);
        ShowSpace();
    });
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (m_filling || !m_burner) return;
        for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
            m_burner->SetSelected(static_cast<size_t>(i), m_list->topLevelItem(i)->isSelected());
        }
    });
    connect(up, &QPushButton::clicked, this, [this] { MoveSelected(-1); });
    connect(down, &QPushButton::clicked, this, [this] { MoveSelected(1); });
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
    m_list->clear();
    for (const CdSongRow& row : m_burner->Rows()) {
        auto* item =
            new QTreeWidgetItem(m_list, {QString::fromStdString(row.name), QString::fromStdString(row.length).trimmed(),
                                         QString::fromStdString(row.date)});
        item->setToolTip(0, QString::fromStdString(row.path));
        item->setSelected(row.selected);
    }
    m_filling = false;
    ShowSpace();
}

void CCdWriterPane::MoveSelected(int step) {
    if (!m_burner) return;
    const auto& rows = m_burner->Rows();
    for (size_t i = 0; i < rows.size(); ++i) {
        if (!rows[i].selected) continue;
        const long to = static_cast<long>(i) + step;
        if (to < 0 || to >= static_cast<long>(rows.size())) return;
        m_burner->MoveRow(i, static_cast<size_t>(to));
        break;
    }
    Reload();
}

void CCdWriterPane::ShowSpace() {
    if (!m_burner) return;
    m_disc->setText(QString::fromStdString(m_burner->DiscText()));
    m_space->setValue(std::clamp(m_burner->SpaceBar(), 0, 1000));
    m_spaceText->setText(QString::fromStdString(m_burner->SpaceText()));
}
