// Answers for the dialogs of a window under test, and a record of what it showed.
#pragma once

#include "app/Dialogsunit.h"

#include <QAction>
#include <QDialog>
#include <QMenu>
#include <QPoint>
#include <QPrinter>
#include <QStringList>
#include <QUrl>
#include <functional>

class TFakeDialogs : public TUserDialogs {
public:
    QStringList OpenAnswers; // taken from the front; an empty list answers "cancel"
    QStringList SaveAnswers;
    QList<QStringList> MultiOpenAnswers; // several files at once; likewise
    QStringList Messages;                // every box shown, as "caption: text"
    QStringList InformativeTexts;        // the second text of every box that has one
    QStringList Warnings;
    QStringList Errors;
    int ModalResult = QDialog::Rejected;
    int ModalCount = 0;

    QString GetOpenFileName(QWidget*, const QString&, const QString& folder,
                            const QString&) override {
        LastOpenFolder = folder;
        return OpenAnswers.isEmpty() ? QString() : OpenAnswers.takeFirst();
    }
    QStringList GetOpenFileNames(QWidget*, const QString&, const QString& folder,
                                 const QString&) override {
        LastOpenFolder = folder;
        return MultiOpenAnswers.isEmpty() ? QStringList() : MultiOpenAnswers.takeFirst();
    }
    QString GetSaveFileName(QWidget*, const QString&, const QString&, const QString&,
                            const QString&) override {
        return SaveAnswers.isEmpty() ? QString() : SaveAnswers.takeFirst();
    }
    void ShowMessage(QWidget*, const QString& caption, const QString& text) override {
        Messages << caption + ": " + text;
    }
    void ShowDetailedMessage(QWidget*, const QString& caption, const QString& text,
                             const QString& informativeText) override {
        Messages << caption + ": " + text;
        InformativeTexts << informativeText;
    }
    void ShowWarning(QWidget*, const QString& caption, const QString& text) override {
        Warnings << caption + ": " + text;
    }
    void ShowError(QWidget*, const QString& caption, const QString& text) override {
        Errors << caption + ": " + text;
    }
    // Runs while a modal dialog is "open" (typing into it, for instance); the dialog is not
    // shown on screen.
    std::function<void(QDialog&)> OnModal;
    int ExecModal(QDialog& dialog) override {
        ++ModalCount;
        if (OnModal)
            OnModal(dialog);
        return ModalResult;
    }

    // The pop-up's answer: the objectName of the item to choose; empty dismisses the menu.
    QString PopupAnswer;
    int PopupCount = 0;
    QPoint LastPopupPoint;
    QAction* ExecPopup(QMenu& menu, const QPoint& screenPoint) override {
        ++PopupCount;
        LastPopupPoint = screenPoint;
        for (QAction* item : menu.actions())
            if (!PopupAnswer.isEmpty() && item->objectName() == PopupAnswer)
                return item;
        return nullptr;
    }

    bool OpenUrl(const QUrl& url) override {
        OpenedUrls << url;
        return OpenUrlAnswer;
    }

    // The preview "prints": the pages are painted into a PDF file at PrintFile (none when
    // empty) and PrintAnswer is returned.
    QString PrintFile;
    bool PrintAnswer = true;
    int PrintCount = 0;
    bool PrintWithPreview(QWidget*, const std::function<void(QPrinter&)>& paint) override {
        ++PrintCount;
        if (!PrintFile.isEmpty()) {
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(PrintFile);
            paint(printer);
        }
        return PrintAnswer;
    }

    QString LastOpenFolder;
    QList<QUrl> OpenedUrls; // every document opened with the desktop's viewer
    bool OpenUrlAnswer = true;
};
