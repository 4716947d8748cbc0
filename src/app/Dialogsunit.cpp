#include "app/Dialogsunit.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QUrl>

QString TQtDialogs::GetOpenFileName(QWidget* parent, const QString& caption, const QString& folder,
                                    const QString& filter) {
    return QFileDialog::getOpenFileName(parent, caption, folder, filter);
}

QStringList TQtDialogs::GetOpenFileNames(QWidget* parent, const QString& caption,
                                         const QString& folder, const QString& filter) {
    return QFileDialog::getOpenFileNames(parent, caption, folder, filter);
}

QString TQtDialogs::GetSaveFileName(QWidget* parent, const QString& caption, const QString& folder,
                                    const QString& filter, const QString& defaultSuffix) {
    QFileDialog dialog(parent, caption, folder, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setDefaultSuffix(defaultSuffix);
    // A name typed without extension takes that of the chosen filter, when it names one
    // ("SVG drawing (*.svg)"), and the default otherwise ("Any (*.*)").
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog, defaultSuffix](const QString& chosen) {
                         static const QRegularExpression single(R"(\(\*\.(\w+)\))");
                         const QRegularExpressionMatch match = single.match(chosen);
                         dialog.setDefaultSuffix(match.hasMatch() ? match.captured(1)
                                                                  : defaultSuffix);
                     });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

void TQtDialogs::ShowMessage(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

void TQtDialogs::ShowDetailedMessage(QWidget* parent, const QString& caption, const QString& text,
                                     const QString& informativeText) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent);
    box.setInformativeText(informativeText);
    box.exec();
}

void TQtDialogs::ShowWarning(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok, parent);
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box.raise();
    box.activateWindow();
    box.exec();
}

void TQtDialogs::ShowError(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

int TQtDialogs::ExecModal(QDialog& dialog) {
    return dialog.exec();
}

QAction* TQtDialogs::ExecPopup(QMenu& menu, const QPoint& screenPoint) {
    return menu.exec(screenPoint);
}

bool TQtDialogs::OpenUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

bool TQtDialogs::PrintWithPreview(QWidget* parent, const std::function<void(QPrinter&)>& paint) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintPreviewDialog preview(&printer, parent);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&paint](QPrinter* target) { paint(*target); });
    return preview.exec() == QDialog::Accepted;
}
