#include "ui/RecordPane.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "devices/Recorder.h"
#include "ui/LevelMeters.h"

CRecordPane::CRecordPane(CRecorder& recorder, std::function<void()> recreateEngine, QWidget* parent)
    : CPaneWidget(parent), m_recorder(&recorder), m_recreateEngine(std::move(recreateEngine)) {
    m_source = new QLabel(this);
    m_inputRow = new QWidget(this);
    m_inputs = new QComboBox(m_inputRow);
    auto* inputRow = new QHBoxLayout(m_inputRow);
    inputRow->setContentsMargins(0, 0, 0, 0);
    inputRow->addWidget(new QLabel(QStringLiteral("Input:"), m_inputRow));
    inputRow->addWidget(m_inputs, 1);
    connect(m_inputs, &QComboBox::activated, this, [this](int index) {
        if (m_recorder && index != m_recorder->SelectedInput()) m_recorder->SelectInput(index, m_recreateEngine);
    });
    m_time = new QLabel(this);
    QFont big = m_time->font();
    big.setPointSizeF(big.pointSizeF() * 2);
    big.setBold(true);
    m_time->setFont(big);
    m_time->setAlignment(Qt::AlignCenter);
    m_meters = new CLevelMeters(this);
    m_meters->setMinimumHeight(90);
    m_flat = new QCheckBox(QStringLiteral("Using Flat Preamp"), this);
    m_detect = new QCheckBox(QStringLiteral("Auto Detect Audio"), this);
    connect(m_flat, &QCheckBox::toggled, this, [this](bool on) {
        if (m_recorder) m_recorder->SetFlatPreamp(on);
    });
    connect(m_detect, &QCheckBox::toggled, this, [this](bool on) {
        if (m_recorder) m_recorder->SetAutoDetect(on);
    });
    auto* boxes = new QHBoxLayout;
    boxes->addWidget(m_flat);
    boxes->addWidget(m_detect);
    boxes->addStretch(1);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 10, 12, 10);
    column->addWidget(m_source);
    column->addWidget(m_inputRow);
    column->addWidget(m_meters);
    m_aim = new QLabel(QStringLiteral("Aim for the framed area: loud passages just below the red."), this);
    column->addWidget(m_aim);
    column->addStretch(1);
    column->addWidget(m_time);
    column->addLayout(boxes);
    Reload();
    connect(&m_timer, &QTimer::timeout, this, [this] { Tick(); });
    m_timer.start(CRecorder::kTimerPeriodMs);
}

void CRecordPane::Detach() {
    m_timer.stop();
    m_recorder = nullptr;
}

void CRecordPane::Reload() {
    if (!m_recorder) return;
    const QSignalBlocker flat(m_flat);
    const QSignalBlocker detect(m_detect);
    // The shell sets the speeds after the pane opens: the source is shown from here.
    m_source->setText(m_recorder->IsTape() ? QStringLiteral("Source: a tape deck")
                                           : QStringLiteral("Source: a %1 rpm record on a turntable at %2 rpm")
                                                 .arg(m_recorder->RecordSpeed())
                                                 .arg(m_recorder->TurntableSpeed()));
    m_flat->setEnabled(!m_recorder->IsTape());
    m_flat->setChecked(m_recorder->FlatPreamp());
    m_time->setText(QString::fromStdString(m_recorder->TimeText()));
    const CRecorder::Stage stage = CRecorder::StageOf(m_recorder->WorkflowState());
    m_meters->setVisible(stage.meter);
    m_meters->SetStyle(stage.meterStyle);
    m_aim->setVisible(stage.meter && stage.meterStyle == CRecorder::kMeterTargetZone);
    m_time->setVisible(stage.time);
    // The input is chosen while checking that the meters move; the list is filled anew each time
    // so that a card plugged in since shows.
    m_inputRow->setVisible(stage.inputs);
    if (stage.inputs) {
        const QSignalBlocker inputs(m_inputs);
        m_inputs->clear();
        for (const std::string& name : m_recorder->InputNames()) m_inputs->addItem(QString::fromStdString(name));
        m_inputs->setCurrentIndex(m_recorder->SelectedInput());
    }
}

void CRecordPane::Tick() {
    if (!m_recorder) return;
    m_recorder->OnTimer();
    m_meters->SetLevels(m_recorder->MeterLeft(), m_recorder->MeterRight());
    m_time->setText(QString::fromStdString(m_recorder->TimeText()));
}
