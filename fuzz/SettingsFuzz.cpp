// Fuzz target: the station settings reader on arbitrary settings files.
//
// Each input is written as the station settings file (Fernhollow/Tovrel.conf) of a temporary
// config folder and read as the programs read it. Whatever the file holds, the site's values
// are in their ranges, the reals finite and the equinox one of the two; a file over the size
// bound gives the defaults. No value is deserialised: "@Variant(...)" asking for gigabytes is
// read as missing. The site edited into the file (as File > Station settings does) changes no
// other value as read, or the edit is refused.
#include "fuzz/FuzzCheck.h"
#include "settings/Globalunit.h"
#include "settings/Iniunit.h"
#include "settings/Siteunit.h"
#include "settings/Storeunit.h"

#include <QSettings>
#include <QString>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Folder;

std::string Organization() {
    return Folder + "/Fernhollow";
}

std::string InputPath() {
    return Organization() + "/Tovrel.conf";
}

void RemoveFolder() {
    ::unlink(InputPath().c_str());
    ::rmdir(Organization().c_str());
    ::rmdir(Folder.c_str());
}

// A config folder of the run's own, so that nothing of the user's settings is read or written.
void MakeFolder() {
    if (!Folder.empty())
        return;
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kelvane-fuzz-XXXXXX";
    FUZZ_CHECK(::mkdtemp(pattern.data()) != nullptr);
    Folder = pattern;
    FUZZ_CHECK(::mkdir(Organization().c_str(), 0700) == 0);
    std::atexit(RemoveFolder);
    ::setenv("XDG_CONFIG_HOME", Folder.c_str(), 1);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(Folder));
}

// QSettings keeps a file it has parsed for as long as its size and modification time stay the
// same, so every input gets a modification time of its own.
void WriteInput(const std::uint8_t* data, std::size_t size) {
    static std::time_t stamp = 1000000000;
    const int file = ::open(InputPath().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    FuzzWriteAll(file, data, size);
    ++stamp;
    const timespec times[2] = {{stamp, 0}, {stamp, 0}};
    FUZZ_CHECK(::futimens(file, times) == 0);
    ::close(file);
}

// What text holds as read, less the site's keys.
QSettings::SettingsMap OtherValues(const QByteArray& text, const std::vector<TIniEdit>& edits) {
    QSettings::SettingsMap values = ReadIniText(text);
    for (const TIniEdit& edit : edits)
        values.remove(edit.Section + QLatin1Char('/') + edit.Name);
    return values;
}

bool Within(std::int32_t value, std::int32_t lowest, std::int32_t highest) {
    return value >= lowest && value <= highest;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MakeFolder();
    WriteInput(data, size);
    const TStationSettings s = TStationSettings::Read();
    FUZZ_CHECK(Within(s.LatDegrees, -90, 90) && Within(s.LongDegrees, -180, 180));
    for (const std::int32_t part : {s.LatMinutes, s.LatSeconds, s.LongMinutes, s.LongSeconds})
        FUZZ_CHECK(Within(part, 0, 59));
    FUZZ_CHECK(Within(s.Height, -500, 10000));
    for (const double real : {s.AzRate, s.AzOverrun, s.AltRate, s.AltOverrun, s.RaDiff, s.DecDiff,
                              s.Refraction, s.LsrVelocity.U, s.LsrVelocity.V, s.LsrVelocity.W})
        FUZZ_CHECK(std::isfinite(real));
    FUZZ_CHECK(s.EquinoxSelector == 0 || s.EquinoxSelector == 1);
    if (size > static_cast<std::size_t>(MaxSettingsFileSize)) {
        const TStationSettings defaults;
        FUZZ_CHECK(s.Height == defaults.Height && s.LatDegrees == defaults.LatDegrees &&
                   s.TelescopeName == defaults.TelescopeName);
        return 0;
    }
    TSite site;
    site.Latitude = {true, 0, 17, 41};
    site.Longitude = {false, 151, 12, 40};
    const std::vector<TIniEdit> edits = SiteEdits(site);
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (const std::optional<QByteArray> edited = EditIniText(text, edits))
        FUZZ_CHECK(OtherValues(*edited, edits) == OtherValues(text, edits));
    return 0;
}
