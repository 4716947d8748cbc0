// kelvane-batch: many spectrum files through the window's steps at once (see --help).
#include "about/Versionunit.h"
#include "batch/Averagerun.h"
#include "batch/Batchoptions.h"
#include "batch/Batchrun.h"
#include "batch/Inputunit.h"
#include "plot/Canvasunit.h"
#include "plot/Graphunit.h"
#include "plot/Lvplotunit.h"
#include "plot/Rotationplotunit.h"
#include "plot/Vectorplotunit.h"

#include <QFont>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QPalette>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// The graph of each file as the window draws it after the subtraction: a PNG of the plot
// canvas's own pixels and an SVG drawing, drawn by the worker thread of the file on a canvas of
// its own. Fonts need a GUI application object, on the offscreen platform (no display is
// needed), started only by a run that draws, before the workers start. Text on worker threads:
// Qt lets QPainter draw on a QImage (and an SVG generator) in any thread, text included where
// fonts come from fontconfig, as on every platform this runs on; fonts, their metrics and the
// font cache are per thread or locked within Qt. What Qt makes lazily for the whole application
// (its font and palette) is made here on the main thread first.
class TPictures {
public:
    // Starts the application object now when the run draws anything: starting it sets the
    // environment and the C locale, which must not happen while worker threads run.
    TPictures(const TBatchOptions& options)
        : Png(options.Png), Svg(options.Svg), Mode(options.Mode) {
        if (options.Png || options.Svg || options.RotationCurve || options.LvDiagram)
            Start();
    }
    // Argv points into the object itself.
    TPictures(const TPictures&) = delete;
    TPictures& operator=(const TPictures&) = delete;

    // A maker of the graph pictures for one worker, with a canvas of its own; made, used and
    // destroyed on the worker's thread.
    TPictureMaker NewMaker() const {
        const auto plot = std::make_shared<TPlotCanvas>(GraphWidth, GraphHeight,
                                                        TRect(0, 0, GraphWidth, GraphHeight));
        SetUpGraphPlot(*plot);
        return [this, plot](const TSpectrumResult& result) { return Graph(*plot, result); };
    }

    std::vector<TExtraOutput> Graph(TPlotCanvas& plot, const TSpectrumResult& result) const {
        TGraphInputs inputs;
        inputs.X = &result.X;
        inputs.Signal = &result.Signal;
        inputs.Mode = Mode;
        inputs.Corrected = true;
        inputs.FileName = result.FileName;
        TGraphLimits limits;
        limits.Divisions = GraphDivisions;
        std::string title;
        std::vector<TExtraOutput> pictures;
        if (Png) {
            if (!DrawGraph(plot, inputs, limits, title))
                throw std::runtime_error("Error getting graph limits");
            const QByteArray png = PngBytes(plot.Bitmap());
            if (png.isEmpty())
                throw std::runtime_error("cannot encode the graph as PNG");
            pictures.push_back({".png", png.toStdString()});
        }
        if (Svg) {
            TVectorPlot drawing(GraphWidth, GraphHeight, GraphPlotRect(GraphWidth, GraphHeight),
                                GraphBackground, GraphAreaColor);
            if (!DrawGraph(drawing, inputs, limits, title))
                throw std::runtime_error("Error getting graph limits");
            pictures.push_back(
                {".svg", drawing.Svg(QString::fromStdString(result.FileName)).toStdString()});
        }
        return pictures;
    }

    // The rotation curve of the run, drawn by the main process once the files are done.
    std::string Curve(const std::vector<TTangentPoint>& points, double r0, double v0) {
        Start();
        TPlotCanvas plot(RotationPlotWidth, RotationPlotHeight,
                         TRect(0, 0, RotationPlotWidth, RotationPlotHeight));
        DrawRotationCurve(plot, points, r0, v0);
        const QByteArray png = PngBytes(plot.Bitmap());
        if (png.isEmpty())
            throw std::runtime_error("cannot encode the rotation curve as PNG");
        return png.toStdString();
    }

    // The longitude-velocity diagram of the run, likewise: the canvas's pixels and the SVG
    // recorder's shapes of one drawing.
    std::vector<TExtraOutput> Diagram(const TLvGrid& grid, double v0) {
        Start();
        TPlotCanvas plot(LvPlotWidth, LvPlotHeight, TRect(0, 0, LvPlotWidth, LvPlotHeight));
        DrawLvDiagram(plot, grid, v0);
        const QByteArray png = PngBytes(plot.Bitmap());
        if (png.isEmpty())
            throw std::runtime_error("cannot encode the diagram as PNG");
        TVectorPlot drawing(LvPlotWidth, LvPlotHeight, LvPlotRect(), GraphBackground,
                            GraphAreaColor);
        DrawLvDiagram(drawing, grid, v0);
        return {{".png", png.toStdString()},
                {".svg", drawing.Svg(QStringLiteral("Longitude-velocity diagram")).toStdString()}};
    }

private:
    void Start() {
        if (Application)
            return;
        // Always the platform that needs no display, whatever the environment names: pictures
        // never go to a screen, and a desktop's QT_QPA_PLATFORM=xcb without DISPLAY (ssh, cron)
        // made Qt abort the run.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // While it starts, Qt looks for a sandbox's marker in the runtime folder and, without
        // XDG_RUNTIME_DIR (an ssh session, cron), warns that it falls back to one in /tmp. The
        // pictures use no runtime folder, so Qt's uncategorised warnings are off until the
        // application object stands; QT_LOGGING_RULES still overrides this.
        QLoggingCategory::setFilterRules(QStringLiteral("default.warning=false"));
        Application = std::make_unique<QGuiApplication>(Argc, Argv);
        QLoggingCategory::setFilterRules(QString());
        // The application object takes the user's locale for the C library; numbers stay '.'.
        std::setlocale(LC_NUMERIC, "C");
        // Made on first use, which is safe on one thread only.
        QGuiApplication::font();
        QGuiApplication::palette();
    }

    bool Png, Svg;
    int Mode;
    // The application object's command line, which must outlive it.
    int Argc = 1;
    char Name[14] = "kelvane-batch";
    char* Argv[2] = {Name, nullptr};
    std::unique_ptr<QGuiApplication> Application;
};

// Writes text to standard output. Returned: false, with the reason on standard error, when it
// could not be written (a full disk, a closed pipe): a help text cut short must not pass for
// a whole one.
bool PrintOut(const std::string& text, const char* what) {
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0)
        return true;
    std::fprintf(stderr, "kelvane-batch: cannot write %s to standard output: %s\n", what,
                 std::strerror(errno));
    return false;
}

void SayBadOptions(const std::string& error) {
    std::fprintf(stderr, "kelvane-batch: %s\nTry 'kelvane-batch --help' for more information.\n",
                 ConsoleText(error).c_str());
}

} // namespace

int main(int argc, char** argv) {
    // Number texts and file formats use '.' whatever the user's locale, as in the window.
    std::setlocale(LC_NUMERIC, "C");
    // A file-size limit (ulimit -f, a scheduler's) fails the write with "File too large",
    // which the writers report, instead of killing the run with its temporary files left.
    std::signal(SIGXFSZ, SIG_IGN);
    TParsedOptions parsed =
        ParseBatchOptions(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    if (!parsed.Ok) {
        SayBadOptions(parsed.Error);
        return 2;
    }
    TBatchOptions& options = parsed.Options;
    if (options.Help)
        return PrintOut(BatchUsage(), "the help text") ? 0 : 1;
    if (options.Version)
        return PrintOut(std::string("kelvane-batch (") + KelvaneVersion::ProductName + ") " +
                            KelvaneVersion::ProductVersion + "\n",
                        "the version")
                   ? 0
                   : 1;
    if (const std::string error = GatherInputFiles(options, STDIN_FILENO); !error.empty()) {
        SayBadOptions(error);
        return 2;
    }
    const TRunConsole console{stderr, ::isatty(STDERR_FILENO) == 1, options.Quiet};
    if (!options.AveragePath.empty())
        return RunAverage(options, console);
    const auto maker = std::make_shared<TPictures>(options);
    const TPictureMakers pictures = [maker] { return maker->NewMaker(); };
    const TCurvePictureMaker curvePicture = [maker](const std::vector<TTangentPoint>& points,
                                                    double r0, double v0) {
        return maker->Curve(points, r0, v0);
    };
    const TLvPictureMaker lvPictures = [maker](const TLvGrid& grid, double v0) {
        return maker->Diagram(grid, v0);
    };
    return RunBatch(options, pictures, curvePicture, lvPictures, console);
}
