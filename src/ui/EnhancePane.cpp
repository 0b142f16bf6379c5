#include "ui/EnhancePane.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "enhance/EnhancerDlg.h"
#include "ui/PresetRow.h"

namespace {

constexpr int kIds[5] = {CEnhancerDlg::kIdLevel, CEnhancerDlg::kIdExciter, CEnhancerDlg::kIdBass, CEnhancerDlg::kIdMids,
                         CEnhancerDlg::kIdTreble};
constexpr int kBoxIds[2] = {CEnhancerDlg::kIdLevelBox, CEnhancerDlg::kIdExciterBox};
const char* const kNames[5] = {"Level", "Exciter", "Bass", "Mids", "Treble"};

}  // namespace

CEnhancePane::CEnhancePane(CEnhancerDlg& enhancer, QWidget* parent) : CPaneWidget(parent), m_enhancer(&enhancer) {
    m_song = new QLabel(this);
    m_lamp = new QLabel(QStringLiteral("Clip"), this);
    m_lamp->setAlignment(Qt::AlignCenter);
    m_lamp->setFixedSize(44, 22);
    m_bypass = new QPushButton(QStringLiteral("Bypass"), this);
    m_bypass->setCheckable(true);
    auto* top = new QHBoxLayout;
    top->addWidget(m_song, 1);
    top->addWidget(m_lamp);
    top->addWidget(m_bypass);

    auto* level = new QGridLayout;
    level->setVerticalSpacing(2);
    auto* tone = new QGridLayout;
    tone->setVerticalSpacing(2);
    for (int i = 0; i < 5; ++i) {
        const CEnhancerDlg::Range r = CEnhancerDlg::RangeOf(kIds[i]);
        const bool upright = i >= 2;
        m_bars[i] = new QSlider(upright ? Qt::Vertical : Qt::Horizontal, this);
        m_bars[i]->setRange(r.min, r.max);
        m_bars[i]->setAccessibleName(QString::fromLatin1(kNames[i]));
        if (r.tick > 0) {
            m_bars[i]->setTickInterval(r.tick);
            m_bars[i]->setTickPosition(QSlider::TicksBothSides);
        }
        auto* label = new QLabel(QString::fromLatin1(kNames[i]), this);
        if (upright) {
            m_bars[i]->setMinimumHeight(96);
            m_toneValues[i - 2] = new QLabel(this);
            m_toneValues[i - 2]->setAlignment(Qt::AlignCenter);
            label->setAlignment(Qt::AlignCenter);
            tone->addWidget(label, 0, i - 2);
            tone->addWidget(m_bars[i], 1, i - 2, Qt::AlignHCenter);
            tone->addWidget(m_toneValues[i - 2], 2, i - 2);
        } else {
            m_boxes[i] = new QLineEdit(this);
            m_boxes[i]->setMaximumWidth(60);
            m_boxes[i]->setAccessibleName(QString::fromLatin1(kNames[i]));
            level->addWidget(label, i, 0);
            level->addWidget(m_bars[i], i, 1);
            level->addWidget(m_boxes[i], i, 2);
            connect(m_boxes[i], &QLineEdit::textEdited, this, [this, i](const QString& text) {
                if (!m_enhancer) return;
                m_enhancer->OnNumberBoxEdit(kBoxIds[i], text.toStdString());
                m_filling = true;
                m_bars[i]->setValue(m_enhancer->GetControl(kIds[i]));
                m_filling = false;
            });
        }
        connect(m_bars[i], &QSlider::valueChanged, this, [this, i, upright](int value) {
            if (m_filling || !m_enhancer) return;
            if (upright) {
                m_enhancer->OnVScroll(kIds[i], value);
            } else {
                m_enhancer->OnHScroll(kIds[i], value);
            }
            Reload();
        });
    }
    connect(m_bypass, &QPushButton::clicked, this, [this] {
        if (!m_enhancer) return;
        m_enhancer->OnBypass();
        Reload();
    });
    m_presets = new CPresetRow(
        enhancer, [this] { Reload(); }, this);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 6, 8, 6);
    column->setSpacing(4);
    column->addLayout(top);
    column->addLayout(level);
    column->addLayout(tone, 1);
    column->addWidget(m_presets);
    ShowLamp(false);
    Reload();

    connect(&m_timer, &QTimer::timeout, this, [this] { Tick(); });
    m_timer.start(CEnhancerDlg::kTimerMs);
}

void CEnhancePane::Detach() {
    m_timer.stop();
    m_presets->Detach();
    m_enhancer = nullptr;
}

void CEnhancePane::Reload() {
    if (!m_enhancer) return;
    m_filling = true;
    m_song->setText(QStringLiteral("Working on: %1").arg(QString::fromStdString(m_enhancer->WorkingOn())));
    for (int i = 0; i < 5; ++i) {
        const int value = m_enhancer->GetControl(kIds[i]);
        m_bars[i]->setValue(value);
        if (i < 2 && !m_boxes[i]->hasFocus()) m_boxes[i]->setText(QString::number(value));
        if (i >= 2) m_toneValues[i - 2]->setText(QString::number(value));
    }
    m_bypass->setChecked(m_enhancer->Bypass());
    m_filling = false;
}

void CEnhancePane::Tick() {
    if (!m_enhancer) return;
    const int64_t now = CEnhancerDlg::NowMs();
    if (m_enhancer->TimerRunning()) m_enhancer->OnTimer(now);
    ShowLamp(m_enhancer->ClipLampLit(now));
}

void CEnhancePane::ShowLamp(bool lit) {
    if (lit == m_lampLit && m_lamp->styleSheet().size()) return;
    m_lampLit = lit;
    m_lamp->setStyleSheet(lit ? QStringLiteral("background:#e03a2f;color:white;border-radius:4px;font-weight:bold")
                              : QStringLiteral("background:#5a2622;color:#c8a8a0;border-radius:4px"));
}
