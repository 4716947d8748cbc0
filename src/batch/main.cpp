// kelvane-batch: many spectrum files through the window's steps at once (see --help).
#include "about/Versionunit.h"
#include "batch/Batchoptions.h"
#include "batch/Batchrun.h"

#include <clocale>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv) {
    // Number texts and file formats use '.' whatever the user's locale, as in the window.
    std::setlocale(LC_NUMERIC, "C");
    const TParsedOptions parsed =
        ParseBatchOptions(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    if (!parsed.Ok) {
        std::fprintf(stderr,
                     "kelvane-batch: %s\nTry 'kelvane-batch --help' for more information.\n",
                     parsed.Error.c_str());
        return 2;
    }
    const TBatchOptions& options = parsed.Options;
    if (options.Help) {
        std::fputs(BatchUsage().c_str(), stdout);
        return 0;
    }
    if (options.Version) {
        std::printf("kelvane-batch (%s) %s\n", KelvaneVersion::ProductName,
                    KelvaneVersion::ProductVersion);
        return 0;
    }
    const TPictureMaker pictures = [](const TSpectrumResult&) -> std::vector<TExtraOutput> {
        throw std::runtime_error("graph pictures are not available in this build");
    };
    const TRunConsole console{stderr, ::isatty(STDERR_FILENO) == 1, options.Quiet};
    return RunBatch(options, pictures, console);
}
