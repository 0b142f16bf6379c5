#include "ui/Mp3SetupDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/FileFilter.h"

namespace {

const char* const kTypeNames[CMp3SetupDialog::kTypeCount] = {"Blade Encoder", "Lame Encoder", "Ogg Vorbis encoder",
                                                             "Xing", "Other"};

}  // namespace

CMp3SetupDialog::CMp3SetupDialog(CSettingsStore& store, QWidget* parent)
    : QDialog(parent), m_store(store), m_model(store) {
    setWindowTitle(QStringLiteral("MP3 Encoder Setup"));
    m_path = new QLineEdit(QString::fromStdString(m_model.path), this);
    m_path->setMinimumWidth(260);
    auto* browse = new QPushButton(QStringLiteral("Browse..."), this);
    m_options = new QLineEdit(QString::fromStdString(m_model.extraOptions), this);
    auto* typeBox = new QGroupBox(QStringLiteral("Encoder Type"), this);
    auto* typeColumn = new QVBoxLayout(typeBox);
    for (int t = 0; t < kTypeCount; ++t) {
        m_types[static_cast<size_t>(t)] = new QRadioButton(QString::fromLatin1(kTypeNames[t]), typeBox);
        typeColumn->addWidget(m_types[static_cast<size_t>(t)]);
        connect(m_types[static_cast<size_t>(t)], &QRadioButton::clicked, this, [this, t] {
            m_model.ChooseType(t);
            m_path->setText(QString::fromStdString(m_model.path));
            ShowType();
        });
    }
    m_dll = new QCheckBox(QStringLiteral("Use DLL version of encoder."), this);
    m_dll->setChecked(m_model.useDll);
    m_bitRate = new QLineEdit(QString::fromStdString(m_model.bitRateText), this);
    m_bitRate->setMaximumWidth(70);
    m_vbr = new QCheckBox(QStringLiteral("Use VBR"), this);
    m_vbr->setChecked(m_model.useVbr);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Encoder:"), this), 0, 0);
    grid->addWidget(m_path, 0, 1);
    grid->addWidget(browse, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Extra Command Line Options"), this), 1, 0, 1, 3);
    grid->addWidget(m_options, 2, 0, 1, 3);
    auto* rate = new QHBoxLayout;
    rate->addWidget(new QLabel(QStringLiteral("Default Bit Rate:"), this));
    rate->addWidget(m_bitRate);
    rate->addWidget(new QLabel(QStringLiteral("kbit/s"), this));
    rate->addStretch(1);
    auto* boxes = new QVBoxLayout;
    boxes->addWidget(m_dll);
    boxes->addLayout(rate);
    boxes->addWidget(m_vbr);
    boxes->addStretch(1);
    auto* middle = new QHBoxLayout;
    middle->addWidget(typeBox);
    middle->addLayout(boxes, 1);
    auto* column = new QVBoxLayout(this);
    column->addLayout(grid);
    column->addLayout(middle);
    column->addWidget(buttons);

    connect(browse, &QPushButton::clicked, this, [this] {
        const QStringList filters = CFileFilter::ToQt(CMP3Setup::kBrowseFilter);
        const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("Browse"), m_path->text(),
                                                          filters.join(QStringLiteral(";;")));
        if (!file.isEmpty()) m_path->setText(file);
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // A stored type this program does not know is shown as "Other".
    const int shown = m_model.type >= 0 && m_model.type < kTypeCount ? m_model.type : kTypeCount - 1;
    m_types[static_cast<size_t>(shown)]->setChecked(true);
    ShowType();
}

void CMp3SetupDialog::ShowType() {
    m_dll->setEnabled(m_model.dllEnabled());
    m_vbr->setEnabled(m_model.vbrEnabled());
}

void CMp3SetupDialog::accept() {
    m_model.path = m_path->text().toStdString();
    m_model.extraOptions = m_options->text().toStdString();
    m_model.useDll = m_dll->isChecked();
    m_model.useVbr = m_vbr->isChecked();
    m_model.bitRateText = m_bitRate->text().toStdString();
    m_model.Ok(m_store);
    QDialog::accept();
}
