// Fuzz target: the spectrum file reader on arbitrary file contents.
//
// Each input is written to a file of its own temporary folder and read. A read either loads a
// whole spectrum of finite values or fails with one of its fixed texts and changes nothing.
#include "fuzz/FuzzCheck.h"
#include "session/Sessionunit.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace {

const char* const Messages[] = {
    "Not enough info in header.",
    "Header does not start with an 's'.",
    "Summat wrong with date.",
    "Summat wrong with time.",
    "Read error",
    "wrong number of data items.",
};

std::string Folder;

void RemoveFolder() {
    ::unlink((Folder + "/G5.30_m120.15.dat").c_str());
    ::rmdir(Folder.c_str());
}

const std::string& InputPath() {
    static const std::string path = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kelvane-fuzz-XXXXXX";
        FUZZ_CHECK(::mkdtemp(pattern.data()) != nullptr);
        Folder = pattern;
        std::atexit(RemoveFolder);
        // A name that carries a position, so that a successful read takes it too.
        return Folder + "/G5.30_m120.15.dat";
    }();
    return path;
}

void WriteInput(const std::string& path, const std::uint8_t* data, std::size_t size) {
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    FuzzWriteAll(file, data, size);
    ::close(file);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = InputPath();
    WriteInput(path, data, size);

    TSession session;
    session.UseVlsr(1.5); // a VLSR of no file yet: a failed read keeps it, a Read drops it
    try {
        session.Read(path);
    } catch (const std::runtime_error& error) {
        bool known = false;
        for (const char* message : Messages)
            known = known || std::string(error.what()) == message;
        FUZZ_CHECK(known);
        FUZZ_CHECK(!session.File() && session.VlsrForSpectrum());
        FUZZ_CHECK(session.Signal().empty() && session.CurrentFileName().empty());
        return 0;
    }
    FUZZ_CHECK(session.Signal().size() == ChannelCount && !session.VlsrForSpectrum());
    for (const double value : session.Signal())
        FUZZ_CHECK(std::isfinite(value));
    FUZZ_CHECK(session.CurrentFileName() == "G5.30_m120.15.dat" && session.PositionInFileName());
    const TSpectrumFile& file = *session.File();
    FUZZ_CHECK(file.FilePath == path && file.Items.empty());
    FUZZ_CHECK(std::isfinite(file.FileDate) && std::isfinite(file.FileTime));
    FUZZ_CHECK(file.FileTime >= 0.0 && file.FileTime < 1.0);
    return 0;
}
