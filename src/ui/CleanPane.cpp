#include "ui/CleanPane.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>
#include <chrono>

#include "processing/TaviCleanDlg.h"
#include "shell/ShellDlg.h"
#include "ui/ActivityDisplay.h"
#include "ui/PresetRow.h"

namespace {

constexpr CTaviCleanDlg::SliderRange kRanges[3] = {CTaviCleanDlg::kScratch, CTaviCleanDlg::kCrackle,
                                                   CTaviCleanDlg::kHiss};
const char* const kNames[3] = {"Scratch", "Crackle", "Hiss"};
const char* const kHumNames[3] = {"OFF", "60 Hz (US)", "50Hz (Europe)"};
constexpr int kActivityHeight = 84;

int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

CCleanPane::CCleanPane(CTaviCleanDlg& clean, QWidget* parent) : CPaneWidget(parent), m_clean(&clean) {
    m_song = new QLabel(this);
    m_bypass = new QPushButton(QStringLiteral("Bypass"), this);
    m_bypass->setCheckable(true);
    m_residue = new QCheckBox(QStringLiteral("Keep Residue"), this);
    auto* top = new QHBoxLayout;
    top->addWidget(m_song, 1);
    top->addWidget(m_residue);
    top->addWidget(m_bypass);

    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(2);
    for (int i = 0; i < 3; ++i) {
        const CTaviCleanDlg::SliderRange& r = kRanges[i];
        m_sliders[i] = new QSlider(Qt::Horizontal, this);
        m_sliders[i]->setRange(r.min, r.max);
        m_sliders[i]->setSingleStep(r.step);
        m_sliders[i]->setPageStep(r.step * 10);
        // The largest value sits at the left: moving left cleans harder.
        m_sliders[i]->setInvertedAppearance(true);
        m_sliders[i]->setInvertedControls(true);
        m_sliders[i]->setAccessibleName(QString::fromLatin1(kNames[i]));
        m_boxes[i] = new QSpinBox(this);
        m_boxes[i]->setRange(r.min, r.max);
        m_boxes[i]->setSingleStep(r.step);
        grid->addWidget(new QLabel(QString::fromLatin1(kNames[i]), this), i, 0);
        grid->addWidget(m_sliders[i], i, 1);
        grid->addWidget(m_boxes[i], i, 2);
        auto apply = [this, i](int value) {
            if (m_filling || !m_clean) return;
            m_clean->OnSlider(kRanges[i].id, value);
            Reload();
        };
        connect(m_sliders[i], &QSlider::valueChanged, this, apply);
        connect(m_boxes[i], &QSpinBox::valueChanged, this, apply);
    }

    auto* hum = new QHBoxLayout;
    hum->addWidget(new QLabel(QStringLiteral("Hum:"), this));
    auto* group = new QButtonGroup(this);
    for (int i = 0; i < 3; ++i) {
        m_hum[i] = new QRadioButton(QString::fromLatin1(kHumNames[i]), this);
        group->addButton(m_hum[i], i);
        hum->addWidget(m_hum[i]);
    }
    hum->addStretch(1);
    connect(group, &QButtonGroup::idClicked, this, [this](int choice) {
        if (m_clean) m_clean->OnHumChoice(choice);
    });
    connect(m_bypass, &QPushButton::toggled, this, [this](bool on) {
        if (!m_filling && m_clean) m_clean->OnBypassButton(on);
    });
    connect(m_residue, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_filling && m_clean) m_clean->OnKeepResidue(on);
    });

    m_activity = new CActivityDisplay(CShellDlg::kActivityWidth, kActivityHeight, this);
    m_presets = new CPresetRow(
        clean, [this] { Reload(); }, this);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 6, 8, 6);
    column->setSpacing(4);
    column->addLayout(top);
    column->addLayout(grid);
    column->addLayout(hum);
    column->addWidget(m_activity, 0, Qt::AlignHCenter);
    column->addWidget(m_presets);
    Reload();

    connect(&m_timer, &QTimer::timeout, this, [this] { Tick(); });
    m_timer.start(CTaviCleanDlg::kTimerMs);
}

void CCleanPane::Detach() {
    m_timer.stop();
    m_presets->Detach();
    m_clean = nullptr;
}

void CCleanPane::Reload() {
    if (!m_clean) return;
    m_filling = true;
    m_song->setText(QStringLiteral("Working on: %1").arg(QString::fromStdString(m_clean->SongName())));
    const int values[3] = {m_clean->Scratch(), m_clean->Crackle(), m_clean->Hiss()};
    for (int i = 0; i < 3; ++i) {
        m_sliders[i]->setValue(values[i]);
        m_boxes[i]->setValue(values[i]);
    }
    const int choice = std::clamp(m_clean->HumChoice(), 0, 2);
    m_hum[static_cast<size_t>(choice)]->setChecked(true);
    m_bypass->setChecked(m_clean->Bypass());
    m_residue->setChecked(m_clean->KeepResidue());
    m_filling = false;
}

bool CCleanPane::Tick() {
    if (!m_clean || !m_clean->OnTimer(NowMs())) return false;
    m_activity->Push(CTaviCleanDlg::ActivityBars(m_clean->Readings(), m_activity->LaneHeight(), m_clean->HumChoice()),
                     m_clean->ScrollStep());
    return true;
}
