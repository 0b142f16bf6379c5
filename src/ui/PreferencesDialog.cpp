#include "ui/PreferencesDialog.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "base/AppSettings.h"
#include "base/StringTable.h"
#include "ui/UiFonts.h"

namespace {

const char* const kFieldNames[CPreferences::kFieldCount] = {
    "Bin1 (Unprocessed):", "Bin2 (Working On):", "Bin3 (Ready for CD):",
    "Temporary files:",    "Filter presets:",    "Wave editor:"};

QString Text(MsgId id) {
    return QString::fromStdString(LoadString(id));
}

}  // namespace

CPreferencesDialog::CPreferencesDialog(CPreferences model, const AppSettings& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_model(std::move(model)) {
    setWindowTitle(QStringLiteral("Preferences"));
    auto* grid = new QGridLayout;
    for (int i = 0; i < CPreferences::kFieldCount; ++i) {
        const auto field = static_cast<CPreferences::Field>(i);
        m_paths[static_cast<size_t>(i)] = new QLineEdit(QString::fromStdString(m_model.Path(field)), this);
        m_paths[static_cast<size_t>(i)]->setMinimumWidth(320);
        auto* browse = new QPushButton(QStringLiteral("..."), this);
        browse->setFixedWidth(32);
        browse->setAccessibleName(QStringLiteral("Choose %1").arg(QString::fromLatin1(kFieldNames[i])));
        connect(browse, &QPushButton::clicked, this, [this, field] { Browse(field); });
        grid->addWidget(new QLabel(QString::fromLatin1(kFieldNames[i]), this), i, 0);
        grid->addWidget(m_paths[static_cast<size_t>(i)], i, 1);
        grid->addWidget(browse, i, 2);
    }

    m_options = new QTreeWidget(this);
    m_options->setHeaderHidden(true);
    m_options->setRootIsDecorated(false);
    for (const CPreferences::Item& item : m_model.Items()) {
        auto* row = new QTreeWidgetItem(m_options, {Text(item.text)});
        row->setData(0, Qt::UserRole, item.number);
        row->setCheckState(0, item.checked ? Qt::Checked : Qt::Unchecked);
    }

    auto* font = new QPushButton(QStringLiteral("Button Font"), this);
    connect(font, &QPushButton::clicked, this, [this] {
        bool ok = false;
        QFont start = CUiFonts::Face(m_settings.BtnFont);
        start.setPointSizeF(m_settings.BtnFontSize / 10.0);
        const QFont chosen = QFontDialog::getFont(&ok, start, this);
        if (ok) m_model.SetFont(chosen.family().toStdString(), static_cast<int>(chosen.pointSizeF() * 10 + 0.5));
    });
    auto* colour = new QPushButton(QStringLiteral("Font Color"), this);
    connect(colour, &QPushButton::clicked, this, [this] {
        const QColor chosen = QColorDialog::getColor(CUiFonts::Colour(m_settings.BtnFontColor), this);
        if (chosen.isValid()) {
            m_model.SetFontColor(static_cast<uint32_t>(chosen.red()) | static_cast<uint32_t>(chosen.green()) << 8 |
                                 static_cast<uint32_t>(chosen.blue()) << 16);
        }
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addWidget(font);
    row->addWidget(colour);
    row->addStretch(1);
    row->addWidget(buttons);
    auto* column = new QVBoxLayout(this);
    column->addLayout(grid);
    column->addWidget(m_options, 1);
    column->addLayout(row);
}

void CPreferencesDialog::Browse(CPreferences::Field field) {
    QLineEdit* edit = m_paths[static_cast<size_t>(field)];
    const CPreferences::FolderBrowser browser = m_model.BrowserFor(field);
    const QString chosen =
        field == CPreferences::kEditor
            ? QFileDialog::getOpenFileName(this, Text(browser.title), edit->text())
            : QFileDialog::getExistingDirectory(
                  this, Text(browser.title) + QStringLiteral(" - ") + Text(browser.prompt), edit->text());
    if (!chosen.isEmpty()) edit->setText(chosen);
}

void CPreferencesDialog::accept() {
    for (int i = 0; i < CPreferences::kFieldCount; ++i) {
        m_model.SetPath(static_cast<CPreferences::Field>(i), m_paths[static_cast<size_t>(i)]->text().toStdString());
    }
    for (int i = 0; i < m_options->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = m_options->topLevelItem(i);
        m_model.SetChecked(row->data(0, Qt::UserRole).toInt(), row->checkState(0) == Qt::Checked);
    }
    QDialog::accept();
}
