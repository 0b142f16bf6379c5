#include "ui/WaveformPane.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QTreeWidget>

#include "devices/Player.h"
#include "shell/WavePane.h"
#include "ui/WaveGraph.h"

namespace {

constexpr int kMargin = 8;
constexpr int kTitleHeight = 20;
constexpr int kOverviewHeight = 58;
constexpr int kInfoHeight = 16;
constexpr int kScrollHeight = 14;
constexpr int kPlayWidth = 84;

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

CWaveformPane::CWaveformPane(CWavePane& wave, QWidget* parent) : CPaneWidget(parent), m_wave(&wave) {
    m_title = new QLabel(this);
    m_play = new QPushButton(QStringLiteral("Play Track"), this);
    m_play->setFocusPolicy(Qt::NoFocus);
    connect(m_play, &QPushButton::clicked, this, [this] {
        if (m_wave) m_wave->PlayOrStop();
    });
    m_overview = new CWaveGraph(&wave, false, this);
    m_info = new QLabel(this);
    QFont small = m_info->font();
    small.setPointSizeF(8);
    m_info->setFont(small);
    m_detail = new CWaveGraph(&wave, true, this);
    m_scroll = new QScrollBar(Qt::Horizontal, this);
    m_tracks = new QTreeWidget(this);
    m_tracks->setRootIsDecorated(false);
    m_tracks->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Duration")});
    m_tracks->header()->setStretchLastSection(false);
    m_tracks->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_tracks->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_tracks->setContextMenuPolicy(Qt::CustomContextMenu);

    for (CWaveGraph* graph : {m_overview, m_detail}) {
        connect(graph, &CWaveGraph::Clicked, this, &CWaveformPane::OnClicked);
        connect(graph, &CWaveGraph::DividerDropped, this, &CWaveformPane::OnDropped);
        connect(graph, &CWaveGraph::PointerAt, this, &CWaveformPane::ShowInfo);
        connect(graph, &CWaveGraph::MenuAsked, this, [this](uint32_t position, QPoint global) {
            std::unique_ptr<QMenu> menu = WaveMenu(position);
            if (menu) menu->exec(global);
        });
    }
    connect(m_detail, &CWaveGraph::ViewChanged, this, &CWaveformPane::ShowView);
    connect(m_scroll, &QScrollBar::valueChanged, this, [this](int value) {
        if (m_detail->View().ScrollValue() == value) return;
        m_detail->View().ScrollTo(value);
        m_detail->update();
        ShowView();
    });
    connect(m_tracks, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!m_wave || !item) return;
        const int index = m_tracks->indexOfTopLevelItem(item);
        m_wave->Doc().SetSelectedDivider(index);
        m_wave->Doc().SelectTrackAround(m_wave->Doc().Dividers().Position(index) + 1);
        m_overview->update();
        ShowInfo(m_pointer);
    });
    connect(m_tracks, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QTreeWidgetItem* item = m_tracks->itemAt(at);
        if (!item) return;
        std::unique_ptr<QMenu> menu = TrackMenu(m_tracks->indexOfTopLevelItem(item));
        if (menu) menu->exec(m_tracks->viewport()->mapToGlobal(at));
    });

    // The play cursor follows the player at its position period; only the columns it crosses are drawn.
    m_timer = new QTimer(this);
    m_timer->setInterval(CPlayer::kPositionPeriodMs);
    connect(m_timer, &QTimer::timeout, this, &CWaveformPane::OnTimer);
    m_timer->start();
    Layout();
    Reload();
}

void CWaveformPane::Detach() {
    m_timer->stop();
    m_wave = nullptr;
    m_overview->Detach();
    m_detail->Detach();
}

void CWaveformPane::resizeEvent(QResizeEvent*) {
    Layout();
}

void CWaveformPane::Layout() {
    const int w = width() - 2 * kMargin;
    m_title->setGeometry(kMargin, 4, w - kPlayWidth - 6, kTitleHeight);
    m_play->setGeometry(kMargin + w - kPlayWidth, 3, kPlayWidth, kTitleHeight + 2);
    int y = 4 + kTitleHeight + 4;
    m_overview->setGeometry(kMargin, y, w, kOverviewHeight);
    y += kOverviewHeight + 2;
    m_info->setGeometry(kMargin, y, w, kInfoHeight);
    y += kInfoHeight + 2;
    const int lower = height() - kMargin - y;
    m_tracks->setGeometry(kMargin, y, w, lower);
    m_detail->setGeometry(kMargin, y, w, lower - kScrollHeight);
    m_scroll->setGeometry(kMargin, y + lower - kScrollHeight, w, kScrollHeight);
}

void CWaveformPane::Reload() {
    if (!m_wave) return;
    CSongDocument& doc = m_wave->Doc();
    m_title->setText(QStringLiteral("Working on: %1").arg(Text(doc.Title())));
    m_overview->Refresh();
    m_detail->Refresh();
    const bool list = m_wave->TrackList();
    m_tracks->setVisible(list);
    m_detail->setVisible(!list);
    m_scroll->setVisible(!list);
    m_detail->SetEditable(m_wave->EditGraph());

    // A trim or fade being adjusted is shown up close; leaving it shows the whole song again.
    uint32_t a = 0;
    uint32_t b = 0;
    if (m_wave->FocusRange(a, b)) {
        m_detail->View().Show(a, b);
        m_focused = true;
    } else if (m_focused) {
        m_detail->View().ShowAll();
        m_focused = false;
    }
    FillTracks();
    ShowView();
    ShowInfo(m_pointer);
}

void CWaveformPane::FillTracks() {
    const QSignalBlocker quiet(m_tracks);
    m_tracks->clear();
    const CDividerList& dividers = m_wave->Doc().Dividers();
    for (int i = 0; i < dividers.Count(); ++i) {
        new QTreeWidgetItem(m_tracks, {Text(dividers.Name(i)), Text(m_wave->TimeText(m_wave->TrackLength(i)))});
    }
    const int selected = m_wave->Doc().SelectedDivider();
    if (selected >= 0 && selected < dividers.Count()) m_tracks->setCurrentItem(m_tracks->topLevelItem(selected));
}

void CWaveformPane::ShowView() {
    const CWaveView& view = m_detail->View();
    {
        const QSignalBlocker quiet(m_scroll);
        m_scroll->setRange(0, view.ScrollMaximum());
        m_scroll->setPageStep(std::max(1, view.Width()));
        m_scroll->setSingleStep(std::max(1, view.Width() / 16));
        m_scroll->setValue(view.ScrollValue());
    }
    // The upper graph frames what the lower one shows up close.
    if (m_detail->isVisible() && !view.ShowsAll()) {
        const double end = view.First() + view.BytesOf(view.Width());
        m_overview->SetMark(static_cast<uint32_t>(view.First()),
                            static_cast<uint32_t>(std::min<double>(end, view.Length())));
    } else {
        m_overview->SetMark(0, 0);
    }
    m_detail->update();
}

void CWaveformPane::ShowInfo(uint32_t pointer) {
    m_pointer = pointer;
    if (m_wave) m_info->setText(Text(m_wave->InfoLine(pointer)));
}

void CWaveformPane::ClickAt(int x) {
    OnClicked(m_overview->PositionAt(x));
}

void CWaveformPane::OnClicked(uint32_t position) {
    if (!m_wave || m_wave->Doc().DataLength() == 0) return;
    if (m_wave->AddArmed()) {
        m_wave->ClickAt(position);
    } else {
        m_wave->Doc().SelectTrackAround(position);
        const int index = m_wave->Doc().Dividers().IndexOf(m_wave->Doc().SelStart());
        m_wave->Doc().SetSelectedDivider(index);
    }
    Reload();
}

void CWaveformPane::OnDropped(int index, uint32_t position) {
    if (!m_wave) return;
    m_wave->DropDivider(index, position);
    Reload();
}

std::unique_ptr<QMenu> CWaveformPane::WaveMenu(uint32_t position) {
    if (!m_wave) return nullptr;
    auto menu = std::make_unique<QMenu>(this);
    const bool haveDivider = m_wave->Doc().SelectedDivider() >= 0;
    for (CWavePane::Command command : CWavePane::WaveMenu()) {
        QAction* item = menu->addAction(Text(CWavePane::CommandText(command)), this, [this, command, position] {
            if (!m_wave) return;
            m_wave->Run(command, position);
            if (command == CWavePane::Command::MoveAhead || command == CWavePane::Command::MoveBack) {
                const int selected = m_wave->Doc().SelectedDivider();
                if (selected >= 0) m_detail->View().Reveal(m_wave->Doc().Dividers().Position(selected));
            }
            Reload();
        });
        item->setEnabled(command == CWavePane::Command::AddDividerHere || haveDivider);
    }
    return menu;
}

std::unique_ptr<QMenu> CWaveformPane::TrackMenu(int row) {
    if (!m_wave || row < 0 || row >= m_wave->Doc().Dividers().Count()) return nullptr;
    m_tracks->setCurrentItem(m_tracks->topLevelItem(row));
    auto menu = std::make_unique<QMenu>(this);
    for (CWavePane::Command command : CWavePane::TrackMenu()) {
        menu->addAction(Text(CWavePane::CommandText(command)), this, [this, command] {
            if (!m_wave) return;
            m_wave->Run(command, m_wave->Doc().SelStart());
            Reload();
        });
    }
    return menu;
}

void CWaveformPane::OnTimer() {
    if (!m_wave) return;
    uint32_t at = 0;
    const int64_t cursor = m_wave->PlayCursor(at) ? static_cast<int64_t>(at) : -1;
    m_overview->SetCursor(cursor);
    m_detail->SetCursor(cursor);
}

void CWaveformPane::Zoom(bool in) {
    CWaveView& view = m_detail->View();
    if (view.Zoom(in, view.Width() / 2.0)) ShowView();
}

void CWaveformPane::keyPressEvent(QKeyEvent* event) {
    CWaveView& view = m_detail->View();
    switch (event->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            Zoom(true);
            break;
        case Qt::Key_Minus:
            Zoom(false);
            break;
        case Qt::Key_Left:
        case Qt::Key_Right:
            m_scroll->setValue(m_scroll->value() + (event->key() == Qt::Key_Left ? -1 : 1) * m_scroll->singleStep());
            break;
        case Qt::Key_Home:
            m_scroll->setValue(0);
            break;
        case Qt::Key_End:
            m_scroll->setValue(m_scroll->maximum());
            break;
        case Qt::Key_0:
            view.ShowAll();
            ShowView();
            break;
        default:
            CPaneWidget::keyPressEvent(event);
    }
}
