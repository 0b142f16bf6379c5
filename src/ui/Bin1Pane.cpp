#include "ui/Bin1Pane.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "shell/PickFiles.h"
#include "shell/ShellDlg.h"
#include "ui/FileFilter.h"

CBin1Pane::CBin1Pane(CShellDlg& shell, CPickFiles& files, QWidget* parent)
    : CPaneWidget(parent), m_shell(shell), m_files(&files) {
    m_list = new QTreeWidget(this);
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setHeaderLabels({QStringLiteral("Filename"), QStringLiteral("Size"), QStringLiteral("Date Created")});
    m_list->header()->setSectionsClickable(true);
    m_list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_list->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    m_info = new QLabel(this);
    m_info->setWordWrap(true);
    m_info->setMinimumHeight(m_info->fontMetrics().lineSpacing() * 2);
    m_info->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_import = new QPushButton(QStringLiteral("Import..."), this);
    m_preview = new QPushButton(this);
    m_delete = new QPushButton(QStringLiteral("Delete File"), this);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_import);
    buttons->addWidget(m_preview);
    buttons->addStretch(1);
    buttons->addWidget(m_delete);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 8, 8, 8);
    column->addWidget(m_list, 1);
    column->addWidget(m_info);
    column->addLayout(buttons);

    connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] { OnSelectionChanged(); });
    connect(m_list->header(), &QHeaderView::sectionClicked, this, [this](int section) {
        if (!m_files) return;
        m_files->Sort(static_cast<CPickFiles::Column>(section));
        Reload();
    });
    connect(m_import, &QPushButton::clicked, this, [this] { OnImport(); });
    connect(m_preview, &QPushButton::clicked, this, [this] {
        if (!m_files) return;
        m_files->Preview();
        ShowButtons();
    });
    connect(m_delete, &QPushButton::clicked, this, [this] {
        if (m_files && m_files->DeleteSelected()) Reload();
    });
    Reload();
}

void CBin1Pane::Reload() {
    if (!m_files) return;
    m_filling = true;
    m_list->clear();
    QTreeWidgetItem* scrollTo = nullptr;
    const auto& rows = m_files->Rows();
    for (size_t i = 0; i < rows.size(); ++i) {
        auto* item = new QTreeWidgetItem(
            m_list, {QString::fromStdString(rows[i].name), QString::fromStdString(rows[i].sizeText).trimmed(),
                     QString::fromStdString(rows[i].dateText)});
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setSelected(rows[i].selected);
        if (static_cast<int>(i) == m_files->LastImportedRow()) scrollTo = item;
    }
    if (scrollTo) m_list->scrollToItem(scrollTo);
    m_filling = false;
    m_info->setText(QString::fromStdString(m_files->InfoText()));
    ShowButtons();
}

void CBin1Pane::ShowButtons() {
    if (!m_files) return;
    m_preview->setText(QString::fromStdString(m_files->PreviewCaption()));
    const bool any = m_files->SelectedCount() > 0;
    m_preview->setEnabled(any);
    m_delete->setEnabled(any);
}

void CBin1Pane::OnSelectionChanged() {
    if (m_filling || !m_files) return;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        const bool on = m_list->topLevelItem(i)->isSelected();
        if (m_files->Rows()[static_cast<size_t>(i)].selected != on) m_files->SetSelected(static_cast<size_t>(i), on);
    }
    m_info->setText(QString::fromStdString(m_files->InfoText()));
    ShowButtons();
}

void CBin1Pane::OnImport() {
    if (!m_files) return;
    const QStringList filters = CFileFilter::ToQt(CPickFiles::ImportFilter());
    const int last = m_files->LastOpenType();
    QString chosen = filters.value(last > 0 ? last - 1 : 0);
    const QStringList picked =
        QFileDialog::getOpenFileNames(this, QStringLiteral("Import"), QString::fromStdString(m_files->LastPath()),
                                      filters.join(QStringLiteral(";;")), &chosen);
    if (picked.isEmpty()) return;
    std::vector<std::string> files;
    for (const QString& file : picked) files.push_back(file.toStdString());
    m_shell.ImportFiles(files, static_cast<int>(filters.indexOf(chosen)) + 1);
    Reload();
}
