#include "ui/AboutBox.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/AppSettings.h"
#include "base/StringTable.h"

void CAboutBox::Show(QWidget* parent) {
    QMessageBox::about(parent, QStringLiteral("About Restova"),
                       QStringLiteral("<b>Restova</b> %1<p>Turns old records, tapes and CDs into clean digital "
                                      "tracks: record or import, clean, enhance, finish and write a CD or "
                                      "MP3 files.</p>")
                           .arg(QCoreApplication::applicationVersion()));
}

void CAboutBox::ConfigureEditor(QWidget* parent, AppSettings& settings) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Configure Advanced Wave Editor"));
    auto* text = new QLabel(&dialog);
    text->setWordWrap(true);
    auto show = [&] {
        text->setText(settings.Zarvo6Path.empty()
                          ? QStringLiteral("No wave editor is configured yet.")
                          : QStringLiteral("Wave editor: %1").arg(QString::fromStdString(settings.Zarvo6Path)));
    };
    show();
    auto* choose = new QPushButton(QStringLiteral("Configure Wave Editor"), &dialog);
    QObject::connect(choose, &QPushButton::clicked, &dialog, [&] {
        const QString file = QFileDialog::getOpenFileName(&dialog, QString::fromStdString(LoadString(kMsgSelectEditor)),
                                                          QString::fromStdString(settings.Zarvo6Path));
        if (file.isEmpty()) return;
        settings.Zarvo6Path = file.toStdString();
        show();
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* column = new QVBoxLayout(&dialog);
    column->addWidget(text);
    column->addWidget(choose);
    column->addWidget(buttons);
    dialog.exec();
}
