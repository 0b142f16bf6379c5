#include "ui/PresetRow.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "processing/FilterDlg.h"

CPresetRow::CPresetRow(CFilterDlg& dialog, std::function<void()> changed, QWidget* parent)
    : QWidget(parent), m_dialog(&dialog), m_changed(std::move(changed)) {
    m_combo = new QComboBox(this);
    m_combo->setEditable(true);
    m_combo->setInsertPolicy(QComboBox::NoInsert);
    m_combo->setMinimumContentsLength(14);
    m_save = new QPushButton(QStringLiteral("&Save"), this);
    m_delete = new QPushButton(QStringLiteral("&Delete"), this);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(QStringLiteral("Preset:"), this));
    row->addWidget(m_combo, 1);
    row->addWidget(m_save);
    row->addWidget(m_delete);

    connect(m_combo, &QComboBox::activated, this, [this](int index) {
        if (!m_dialog || m_filling) return;
        m_dialog->OnPresetSelChange(index);
        Reload();
        if (m_changed) m_changed();
    });
    connect(m_combo, &QComboBox::editTextChanged, this, [this](const QString& text) {
        if (m_dialog && !m_filling) m_dialog->PresetCombo().SetEditText(text.toStdString());
    });
    connect(m_save, &QPushButton::clicked, this, [this] {
        if (!m_dialog) return;
        m_dialog->OnSave();
        Reload();
    });
    connect(m_delete, &QPushButton::clicked, this, [this] {
        if (!m_dialog) return;
        m_dialog->OnDelete();
        Reload();
        if (m_changed) m_changed();
    });
    Reload();
}

void CPresetRow::Reload() {
    if (!m_dialog) return;
    const CPresetCombo& model = m_dialog->PresetCombo();
    m_filling = true;
    m_combo->clear();
    for (const std::string& name : model.Names()) m_combo->addItem(QString::fromStdString(name));
    m_combo->setCurrentIndex(model.GetCurSel());
    m_combo->setEditText(QString::fromStdString(model.GetEditText()));
    m_filling = false;
}
