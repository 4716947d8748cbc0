// A main window under test: its dialogs answered by TFakeDialogs, spectrum files written into a
// temporary folder, and the settings emptied before each test.
#pragma once

#include "app/Plotunit.h"
#include "app/Unit1.h"
#include "data/Spectrumunit.h"
#include "support/FakeDialogs.h"
#include "support/SpectrumFiles.h"
#include "support/TestSettings.h"

#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>

// A hydrogen line at channel 210 on a gently sloping baseline.
inline double Hump(int i) {
    return 100.0 + 0.01 * i + 40.0 * std::exp(-0.5 * std::pow((i - 210) / 6.0, 2));
}

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override { ClearTestSettings(); }

    std::unique_ptr<TForm1> Open() { return std::make_unique<TForm1>(&Dialogs); }

    QString Spectrum(const QString& name, double (*signal)(int) = Hump) {
        return WriteSpectrumFile(Folder.path(), name, signal);
    }

    void Read(TForm1& form, const QString& path) {
        Dialogs.OpenAnswers << path;
        form.miReadClick();
    }

    // A shown window with a spectrum read: pointer events reach the plot as a user's would.
    std::unique_ptr<TForm1> Shown(double (*signal)(int) = Hump) {
        auto form = Open();
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        Read(*form, Spectrum("line.dat", signal));
        return form;
    }

    // Press at column from, move through the plot to column to, release; y inside the plot.
    void Drag(TForm1& form, int from, int to, Qt::MouseButton button = Qt::LeftButton,
              int y = 300) {
        TPlot* plot = form.PlotPanel();
        QTest::mousePress(plot, button, {}, QPoint(from, y));
        const int step = from < to ? 5 : -5;
        for (int x = from; step > 0 ? x < to : x > to; x += step)
            QTest::mouseMove(plot, QPoint(x, y));
        QTest::mouseMove(plot, QPoint(to, y));
        QTest::mouseRelease(plot, button, {}, QPoint(to, y));
    }

    // The band around the line at channel 210, as a user drags it.
    void DragOverLine(TForm1& form, bool rightToLeft = false) {
        const std::vector<double>& x = form.CurrentSession().XValues();
        const int left = form.XToPixel(x[170]), right = form.XToPixel(x[250]);
        rightToLeft ? Drag(form, right, left) : Drag(form, left, right);
    }

    QTemporaryDir Folder;
    TFakeDialogs Dialogs;
};
