// Support for benchmarks of the windows: dialogs that never appear, and a spectrum file.
#pragma once

#include "app/Dialogsunit.h"
#include "data/Spectrumunit.h"

#include <QAction>
#include <QMenu>
#include <QString>
#include <cmath>
#include <fstream>

// The pop-up at the end of a band can be answered with the item of a given objectName.
class TSilentDialogs : public TUserDialogs {
public:
    QString PopupAnswer; // objectName of the pop-up item to choose; empty dismisses it

    QString GetOpenFileName(QWidget*, const QString&, const QString&, const QString&) override {
        return {};
    }
    QStringList GetOpenFileNames(QWidget*, const QString&, const QString&,
                                 const QString&) override {
        return {};
    }
    QString GetSaveFileName(QWidget*, const QString&, const QString&, const QString&,
                            const QString&) override {
        return {};
    }
    void ShowMessage(QWidget*, const QString&, const QString&) override {}
    void ShowDetailedMessage(QWidget*, const QString&, const QString&, const QString&) override {}
    void ShowWarning(QWidget*, const QString&, const QString&) override {}
    void ShowError(QWidget*, const QString&, const QString&) override {}
    int ExecModal(QDialog&) override { return 0; }
    QAction* ExecPopup(QMenu& menu, const QPoint&) override {
        for (QAction* item : menu.actions())
            if (!PopupAnswer.isEmpty() && item->objectName() == PopupAnswer)
                return item;
        return nullptr;
    }
    bool OpenUrl(const QUrl&) override { return false; }
};

// A spectrum as the telescope records it: a sloping baseline, a line near channel 210 and some
// ripple.
inline void WriteBenchSpectrum(const QString& path) {
    std::ofstream file(path.toStdString());
    file << "s 03/15/24 21:40:05  gain 9.00  int 10  avg 20  sweep 400  step 5000\n";
    for (int i = 0; i < ChannelCount; ++i)
        file << 1500.0 + 0.1 * i + 80.0 * std::exp(-0.5 * std::pow((i - 210) / 5.0, 2)) +
                    std::sin(i * 1.7)
             << (i % 10 == 9 ? '\n' : ' ');
}
