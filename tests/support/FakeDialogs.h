// Answers for the dialogs of a window under test, and a record of what it showed.
#pragma once

#include "app/Dialogsunit.h"

#include <QDialog>
#include <QStringList>

class TFakeDialogs : public TUserDialogs {
public:
    QStringList OpenAnswers; // taken from the front; an empty list answers "cancel"
    QStringList SaveAnswers;
    QStringList Messages; // every box shown, as "caption: text"
    QStringList Warnings;
    QStringList Errors;
    int ModalResult = QDialog::Rejected;
    int ModalCount = 0;

    QString GetOpenFileName(QWidget*, const QString&, const QString& folder,
                            const QString&) override {
        LastOpenFolder = folder;
        return OpenAnswers.isEmpty() ? QString() : OpenAnswers.takeFirst();
    }
    QString GetSaveFileName(QWidget*, const QString&, const QString&, const QString&,
                            const QString&) override {
        return SaveAnswers.isEmpty() ? QString() : SaveAnswers.takeFirst();
    }
    void ShowMessage(QWidget*, const QString& caption, const QString& text) override {
        Messages << caption + ": " + text;
    }
    void ShowWarning(QWidget*, const QString& caption, const QString& text) override {
        Warnings << caption + ": " + text;
    }
    void ShowError(QWidget*, const QString& caption, const QString& text) override {
        Errors << caption + ": " + text;
    }
    int ExecModal(QDialog&) override {
        ++ModalCount;
        return ModalResult;
    }

    QString LastOpenFolder;
};
