#include "ui/SoundCardDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

CSoundCardDialog::CSoundCardDialog(AppSettings& settings, CAudioHost& host, std::function<void()> recreate,
                                   QWidget* parent)
    : QDialog(parent), m_model(settings, host), m_recreate(std::move(recreate)) {
    setWindowTitle(QStringLiteral("Select Playback Device"));
    m_list = new QListWidget(this);
    for (const std::string& name : m_model.Names()) m_list->addItem(QString::fromStdString(name));
    m_list->setCurrentRow(m_model.Selected());
    m_list->setMinimumSize(340, 160);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* column = new QVBoxLayout(this);
    column->addWidget(new QLabel(QStringLiteral("Play sound through:"), this));
    column->addWidget(m_list, 1);
    column->addWidget(buttons);
}

void CSoundCardDialog::accept() {
    m_model.Select(m_list->currentRow());
    m_model.Ok(m_recreate);
    QDialog::accept();
}
