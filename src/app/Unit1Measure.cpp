// Measure line: the line's peak, integral, noise and terminal velocities, by the core's
// MeasureShownLine (the batch's own figures), listed in the memo and marked on the graph.
#include "app/Unit1.h"

#include "app/Dialogsunit.h"
#include "app/Plotunit.h"
#include "data/Spectrumunit.h"
#include "plot/Graphunit.h"
#include "session/Linemeasureunit.h"

#include <QAction>
#include <QPlainTextEdit>
#include <algorithm>
#include <cstdio>
#include <utility>

namespace {

std::string Signed(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%+.1f", value);
    return text;
}

} // namespace

void TForm1::miMeasureLineClick() {
    if (!SpectrumDrawn)
        return;
    const int shown = ShownMode();
    if (shown != ModeVelocity && shown != ModeVelocityMinusVlsr) {
        Dialogs->ShowMessage(this, ApplicationTitle,
                             "The line is measured on a velocity axis: choose Graph > Velocity "
                             "or Graph > V Minus Vlsr.");
        return;
    }
    // The figures are relative to the LSR whenever this spectrum has its VLSR; on the plain
    // velocity axis the marks then stand VLSR further on.
    const double shift = Session.LsrFrame() && shown == ModeVelocity ? Session.Vlsr() : 0.0;
    std::vector<bool> inBand;
    if (BandForMeasure && Session.Bands().size() > 1) {
        // Bands added with Shift: the line's channels are those inside any of them.
        const std::vector<double>& x = Session.XValues();
        inBand.resize(x.size());
        for (std::size_t i = 0; i < x.size(); ++i)
            for (const TAxisRange& band : Session.Bands())
                inBand[i] = inBand[i] || (band.Low <= x[i] && x[i] <= band.High);
    } else if (BandForMeasure) {
        const TGraphMapping map = Mapping();
        const int lo = std::min(Band.BoxLeft, Band.BoxRight);
        const int hi = std::max(Band.BoxLeft, Band.BoxRight);
        const std::vector<double>& x = Session.XValues();
        inBand.resize(x.size());
        for (std::size_t i = 0; i < x.size(); ++i) {
            const int px = map.XToPixel(x[i]);
            inBand[i] = lo <= px && px <= hi;
        }
    }
    const TLineMeasureReport& report = Session.Measure(std::move(inBand));

    // The fit's coefficients stay above the measure; a measure made before gives way.
    QStringList memo = Memo->toPlainText().split('\n');
    while (!memo.isEmpty() && memo.back().isEmpty())
        memo.removeLast();
    const auto measured = std::find_if(memo.begin(), memo.end(),
                                       [](const QString& line) { return line.startsWith("Line"); });
    memo.erase(measured, memo.end());
    for (const std::string& line : LineMeasureLines(report))
        memo << QString::fromStdString(line);
    Memo->setPlainText(memo.join('\n'));
    if (!report.Error.empty()) {
        ShowStatusMessage(QString::fromStdString("Line not measured: " + report.Error));
        return;
    }
    const TLineMeasures& m = report.Line;
    std::vector<TGraphMark> marks;
    if (m.PeakVelocity)
        marks.push_back({*m.PeakVelocity + shift, "peak"});
    const auto edge = [&](const std::optional<double>& v, const char* name) {
        if (v)
            marks.push_back({*v + shift, std::string(name) + " " + Signed(*v)});
    };
    if (m.TerminalVelocity) {
        edge(m.TerminalVelocity, "vt");
        edge(m.TerminalVelocity == m.HighestVelocity ? m.LowestVelocity : m.HighestVelocity,
             "edge");
    } else {
        edge(m.HighestVelocity, "edge");
        edge(m.LowestVelocity, "edge");
    }
    DrawGraphMarks(*Plot, Mapping(), marks);
    ShownMarks = std::move(marks); // drawn again when the view or the window's size changes
    std::string status = "Line measured";
    if (m.Peak && m.PeakVelocity)
        status += ": peak at " + Signed(*m.PeakVelocity) + " km/s";
    status += m.TerminalVelocity ? ", terminal velocity " + Signed(*m.TerminalVelocity) + " km/s"
                                 : "; no terminal velocity: " + m.TerminalReason;
    ShowStatusMessage(QString::fromStdString(status));
}
