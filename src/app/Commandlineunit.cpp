#include "app/Commandlineunit.h"

#include "about/Versionunit.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>
#include <cstring>

namespace {

bool IsInformationOption(const char* argument) {
    for (const char* option : {"-h", "--help", "-?", "--help-all", "-v", "--version"})
        if (std::strcmp(argument, option) == 0)
            return true;
    return false;
}

} // namespace

std::optional<int> AnswerInformationOptions(int argc, char** argv) {
    bool asked = false;
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i)
        asked = asked || IsInformationOption(argv[i]);
    if (!asked)
        return std::nullopt;
    // A core application only: the help needs no display, and one over ssh may have none.
    QCoreApplication core(argc, argv);
    QCoreApplication::setApplicationName("kelvane");
    QCoreApplication::setApplicationVersion(KelvaneVersion::ProductVersion);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Shows 21-cm hydrogen spectra of a small radio telescope against frequency, wavelength, "
        "velocity or velocity relative to the local standard of rest; fits and subtracts a "
        "baseline, computes the VLSR, measures the line and saves the spectrum.");
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument("file", "A spectrum file to read at start, as File > Read would.",
                                 "[file]");
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "kelvane: %s\n", parser.errorText().toLocal8Bit().constData());
        return 2;
    }
    const QByteArray text = parser.isSet(version) && !parser.isSet(help)
                                ? QByteArray("kelvane (") + KelvaneVersion::ProductName + ") " +
                                      KelvaneVersion::ProductVersion + "\n"
                                : parser.helpText().toLocal8Bit();
    std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
