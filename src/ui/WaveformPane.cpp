#include "ui/WaveformPane.h"

#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "audiofile/PeakFile.h"
#include "shell/WavePane.h"

namespace {

constexpr int kMargin = 8;
constexpr int kTitleHeight = 22;
constexpr int kWaveHeight = 120;
constexpr double kFullScale = 8388607.0;

QString TimeText(double seconds) {
    const int whole = static_cast<int>(seconds);
    return QStringLiteral("%1:%2.%3")
        .arg(whole / 60)
        .arg(whole % 60, 2, 10, QLatin1Char('0'))
        .arg(static_cast<int>((seconds - whole) * 10));
}

}  // namespace

CWaveformPane::CWaveformPane(CWavePane& wave, QWidget* parent) : CPaneWidget(parent), m_wave(&wave) {
    m_title = new QLabel(this);
    m_title->setFixedHeight(kTitleHeight - 4);
    m_tracks = new QTreeWidget(this);
    m_tracks->setRootIsDecorated(false);
    m_tracks->setHeaderLabels({QStringLiteral("Track"), QStringLiteral("Starts at")});
    m_tracks->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_tracks->header()->setStretchLastSection(false);
    m_tracks->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    connect(m_tracks, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!m_wave || !item) return;
        const int index = m_tracks->indexOfTopLevelItem(item);
        m_wave->Doc().SetSelectedDivider(index);
        m_wave->Doc().SelectTrackAround(m_wave->Doc().Dividers().Position(index));
        update();
    });
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(kMargin, 4, kMargin, kMargin);
    column->addWidget(m_title);
    column->addSpacing(kWaveHeight + 6);
    column->addWidget(m_tracks, 1);
    column->addStretch(0);
    Reload();
}

QRect CWaveformPane::WaveRect() const {
    return {kMargin, kTitleHeight + 6, width() - 2 * kMargin, kWaveHeight};
}

void CWaveformPane::ReadColumns() {
    m_columns.clear();
    CSongDocument& doc = m_wave->Doc();
    m_length = doc.IsOpen() ? doc.DataLength() : 0;
    const int count = std::max(1, WaveRect().width());
    if (m_length == 0) return;
    m_columns.resize(static_cast<size_t>(count));
    // The tools close the song between their runs; its peaks are read through it open.
    CWaveFile& song = doc.Wave();
    const bool wasOpen = song.IsOpen();
    if (!wasOpen && song.Reopen(kOpenRead) != kFileOk) return;
    CEditQueue& session = song.Session();
    const uint32_t peakBytes = CPeakFile::kSamplesPerPeak * std::max<uint32_t>(1, doc.Format().nBlockAlign);
    for (int x = 0; x < count; ++x) {
        const auto a = static_cast<uint32_t>(static_cast<uint64_t>(m_length) * x / count);
        const auto b = static_cast<uint32_t>(static_cast<uint64_t>(m_length) * (x + 1) / count);
        // A short song has columns narrower than one peak value: each reads at least one.
        m_columns[static_cast<size_t>(x)] = session.StreamPeak(a, std::max(b, a + peakBytes));
    }
    if (!wasOpen) song.Close();
}

void CWaveformPane::Reload() {
    if (!m_wave) return;
    CSongDocument& doc = m_wave->Doc();
    m_title->setText(QStringLiteral("Working on: %1").arg(QString::fromStdString(doc.Title())));
    ReadColumns();
    const QSignalBlocker quiet(m_tracks);
    m_tracks->clear();
    const CDividerList& dividers = doc.Dividers();
    const double perSecond = std::max<uint32_t>(1, doc.BytesPerSecond());
    for (int i = 0; i < dividers.Count(); ++i) {
        new QTreeWidgetItem(m_tracks,
                            {QString::fromStdString(dividers.Name(i)), TimeText(dividers.Position(i) / perSecond)});
    }
    if (doc.SelectedDivider() >= 0) m_tracks->setCurrentItem(m_tracks->topLevelItem(doc.SelectedDivider()));
    m_tracks->setVisible(m_wave->TrackList());
    update();
}

uint32_t CWaveformPane::PositionAt(int x) const {
    const QRect wave = WaveRect();
    const double at = std::clamp(static_cast<double>(x - wave.left()) / std::max(1, wave.width()), 0.0, 1.0);
    return static_cast<uint32_t>(at * m_length);
}

int CWaveformPane::ColumnOf(uint32_t position) const {
    const QRect wave = WaveRect();
    return wave.left() + (m_length ? static_cast<int>(static_cast<double>(position) / m_length * wave.width()) : 0);
}

void CWaveformPane::ClickAt(int x) {
    if (!m_wave || m_length == 0) return;
    const uint32_t position = PositionAt(x);
    if (m_wave->AddArmed()) {
        m_wave->ClickAt(position);
    } else {
        m_wave->Doc().SelectTrackAround(position);
    }
    Reload();
}

void CWaveformPane::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && WaveRect().contains(event->position().toPoint())) {
        ClickAt(event->position().toPoint().x());
    }
}

void CWaveformPane::paintEvent(QPaintEvent* event) {
    CPaneWidget::paintEvent(event);
    QPainter p(this);
    const QRect wave = WaveRect();
    p.fillRect(wave, QColor(16, 24, 30));
    if (!m_wave) return;
    const CSongDocument& doc = m_wave->Doc();
    if (doc.SelEnd() > doc.SelStart()) {
        p.fillRect(QRect(QPoint(ColumnOf(doc.SelStart()), wave.top()), QPoint(ColumnOf(doc.SelEnd()), wave.bottom())),
                   QColor(46, 92, 98));
    }
    const int mid = wave.center().y();
    p.setPen(QColor(120, 220, 160));
    for (size_t x = 0; x < m_columns.size(); ++x) {
        const int half = static_cast<int>(m_columns[x] / kFullScale * (wave.height() / 2 - 2));
        p.drawLine(wave.left() + static_cast<int>(x), mid - half, wave.left() + static_cast<int>(x), mid + half);
    }
    p.setPen(QColor(70, 90, 96));
    p.drawLine(wave.left(), mid, wave.right(), mid);
    p.setPen(QPen(QColor(230, 60, 50), 2));
    const CDividerList& dividers = doc.Dividers();
    for (int i = 0; i < dividers.Count(); ++i) {
        const int x = ColumnOf(dividers.Position(i));
        p.drawLine(x, wave.top(), x, wave.bottom());
    }
    if (m_wave->AddArmed()) {
        p.setPen(QColor(235, 214, 140));
        p.drawText(wave.adjusted(4, 2, -4, -2), Qt::AlignRight | Qt::AlignTop,
                   QStringLiteral("Click to add a divider"));
    }
}
