// A main window under test: its dialogs answered by TFakeDialogs, spectrum files written into a
// temporary folder, and the program's globals and settings emptied before each test.
#pragma once

#include "app/Unit1.h"
#include "data/Spectrumunit.h"
#include "support/FakeDialogs.h"
#include "support/SpectrumFiles.h"
#include "support/TestSettings.h"

#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>

// A hydrogen line at channel 210 on a gently sloping baseline.
inline double Hump(int i) {
    return 100.0 + 0.01 * i + 40.0 * std::exp(-0.5 * std::pow((i - 210) / 6.0, 2));
}

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ClearTestSettings();
        Signal.clear();
        XValues.clear();
        CurrentFileName.clear();
        Coefficients.clear();
        Correlation = 0.0;
    }

    std::unique_ptr<TForm1> Open() { return std::make_unique<TForm1>(&Dialogs); }

    QString Spectrum(const QString& name, double (*signal)(int) = Hump) {
        return WriteSpectrumFile(Folder.path(), name, signal);
    }

    void Read(TForm1& form, const QString& path) {
        Dialogs.OpenAnswers << path;
        form.miReadClick();
    }

    QTemporaryDir Folder;
    TFakeDialogs Dialogs;
};
