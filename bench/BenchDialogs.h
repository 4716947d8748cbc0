// Dialogs for benchmarks of the windows: none ever appears. The pop-up at the end of a band
// can be answered with the item of a given objectName.
#pragma once

#include "app/Dialogsunit.h"

#include <QAction>
#include <QMenu>
#include <QString>

class TSilentDialogs : public TUserDialogs {
public:
    QString PopupAnswer; // objectName of the pop-up item to choose; empty dismisses it

    QString GetOpenFileName(QWidget*, const QString&, const QString&, const QString&) override {
        return {};
    }
    QString GetSaveFileName(QWidget*, const QString&, const QString&, const QString&,
                            const QString&) override {
        return {};
    }
    void ShowMessage(QWidget*, const QString&, const QString&) override {}
    void ShowWarning(QWidget*, const QString&, const QString&) override {}
    void ShowError(QWidget*, const QString&, const QString&) override {}
    int ExecModal(QDialog&) override { return 0; }
    QAction* ExecPopup(QMenu& menu, const QPoint&) override {
        for (QAction* item : menu.actions())
            if (!PopupAnswer.isEmpty() && item->objectName() == PopupAnswer)
                return item;
        return nullptr;
    }
};
