#include "batch/Batchoptions.h"

#include <QCommandLineParser>
#include <QStringList>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>
#include <utility>

namespace {

constexpr int MaxTerms = 20;
constexpr int MaxJobs = 256;
// The components --gaussians N may ask for (and auto may find): more than a 400-channel 21-cm
// spectrum ever tells apart.
constexpr int MaxGaussians = 8;
// Bounds of --r0 and --v0 that no model of the Galaxy comes near; they keep typing slips (a
// distance in parsecs, a speed in m/s) from giving a curve.
constexpr double MaxR0 = 100.0;  // kpc
constexpr double MaxV0 = 1000.0; // km/s
// The gas's velocity dispersion: the cold neutral medium has a few km/s, the warm 10 or so;
// beyond 50 km/s no tangent point's edge could be told from the line.
constexpr double MaxDispersion = 50.0; // km/s

// A decimal number in C's form (optional sign, digits, fraction, exponent), nothing before or
// after it; finite.
bool ReadNumber(const std::string& text, double& value) {
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    if (begin != end && *begin == '+')
        ++begin;
    if (begin == end || *begin == '+' || std::isspace(static_cast<unsigned char>(*begin)))
        return false;
    const auto result = std::from_chars(begin, end, value);
    return result.ec == std::errc() && result.ptr == end && std::isfinite(value);
}

// A whole number of decimal digits only.
bool ReadDigits(const std::string& text, int& value) {
    if (text.empty() || text.size() > 9)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    value = std::atoi(text.c_str());
    return true;
}

bool ReadCount(const std::string& text, int low, int high, int& value) {
    return ReadDigits(text, value) && value >= low && value <= high;
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at == std::string::npos ? at : at - start));
        if (at == std::string::npos)
            return parts;
        start = at + 1;
    }
}

bool ReadWindow(const std::string& text, TLineWindow& window) {
    // The first ':' that follows a digit or '.' separates the edges, so "-150:150" and
    // "-1e-3:2e-3" both read.
    for (std::size_t at = 1; at < text.size(); ++at) {
        if (text[at] != ':')
            continue;
        double low = 0.0, high = 0.0;
        if (ReadNumber(text.substr(0, at), low) && ReadNumber(text.substr(at + 1), high)) {
            // Either order, as a band may be dragged either way.
            window.Low = std::min(low, high);
            window.High = std::max(low, high);
            return true;
        }
    }
    return false;
}

bool ReadAxis(const std::string& text, int& mode) {
    for (int m : {ModeFrequency, ModeWavelength, ModeVelocity, ModeVelocityMinusVlsr})
        if (text == AxisName(m)) {
            mode = m;
            return true;
        }
    return false;
}

// "B,L" or "RA,DEC" into the six texts of the details' fields.
std::string ReadPosition(const std::string& text, bool galactic, std::array<std::string, 6>& out) {
    const std::vector<std::string> parts = Split(text, ',');
    if (parts.size() != 2)
        return galactic ? "--galactic needs B,L (for example 5:30,-120:15 or 5.5,239.75)"
                        : "--equatorial needs RA,DEC (for example 19:59:28,40:44:02)";
    std::optional<TAngleFields> first = ParseAngle(parts[0]);
    const std::optional<TAngleFields> second = ParseAngle(parts[1]);
    if (!first || !second)
        return "cannot read the angle in '" + text + "'";
    if (galactic) {
        if (std::fabs(first->Value()) > 90.0)
            return "galactic latitude '" + parts[0] + "' is outside -90 to 90 degrees";
        if (std::fabs(second->Value()) > 360.0)
            return "galactic longitude '" + parts[1] + "' is outside -360 to 360 degrees";
    } else {
        if (first->Negative || first->Unrounded >= 24.0)
            return "right ascension '" + parts[0] + "' is outside 0 to 24 hours";
        // A time just short of 24 h rounds up to 24 h, which is 0 h: refusing it would refuse a
        // valid right ascension for the rounding's sake.
        if (first->Value() >= 24.0)
            first = TAngleFields();
        if (std::fabs(second->Value()) > 90.0)
            return "declination '" + parts[1] + "' is outside -90 to 90 degrees";
    }
    const std::array<std::string, 3> a = first->Texts(), b = second->Texts();
    out = {a[0], a[1], a[2], b[0], b[1], b[2]};
    return std::string();
}

// An argument's bytes as Latin-1 text and back: one character per byte, so that a file name
// that is not UTF-8 reaches the file system as it was given.
QString Text(const std::string& bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string Bytes(const QString& text) {
    return text.toLatin1().toStdString();
}

// What an option does with its value, or the error it gives.
using TReader = std::function<std::string(const std::string&)>;

struct TOption {
    QStringList Names;    // without dashes: the letter first where there is one, the long name last
    TReader Read;         // of the value; none for a flag
    bool* Flag = nullptr; // a flag's: set when it is given
    std::string Name() const { return "--" + Bytes(Names.last()); }
};

// Any text but the empty one.
TReader Given(const char* error, std::string& value) {
    return [error, &value](const std::string& v) {
        value = v;
        return v.empty() ? error : std::string();
    };
}

// A whole number from 1 to high.
TReader Count(const char* name, int high, int& value) {
    return [name, high, &value](const std::string& v) {
        return ReadCount(v, 1, high, value)
                   ? std::string()
                   : std::string(name) + " needs a whole number from 1 to " + std::to_string(high) +
                         ", not '" + v + "'";
    };
}

// A number above 0 and at most high; the message says what it is.
TReader Positive(const char* needs, double high, double& value) {
    return [needs, high, &value](const std::string& v) {
        return ReadNumber(v, value) && value > 0.0 && value <= high
                   ? std::string()
                   : std::string(needs) + ", above 0 and at most " +
                         std::to_string(static_cast<int>(high)) + ", not '" + v + "'";
    };
}

// Why the parser refused the arguments, in this command's words: Qt's own texts name no
// argument, and the message names the first one refused. Each argument is put to the same
// parser alone, in the order given; one it takes only with a value after it (--jobs, -qj)
// takes the next argument.
std::string Refusal(QCommandLineParser& parser, const QStringList& arguments,
                    const std::map<QString, const TOption*>& byName) {
    const QString& program = arguments[0];
    for (qsizetype i = 1; i < arguments.size() && arguments[i] != QLatin1String("--"); ++i) {
        if (parser.parse({program, arguments[i]}))
            continue;
        if (!parser.parse({program, arguments[i], QString()}))
            return "unknown option '" + Bytes(arguments[i]) + "'";
        if (++i == arguments.size())
            return byName.at(parser.optionNames().last())->Name() + " needs a value";
    }
    return "cannot read the options";
}

} // namespace

double TAngleFields::Value() const {
    const double size = Degrees + Minutes / 60.0 + Seconds / 3600.0;
    return Negative ? -size : size;
}

std::array<std::string, 3> TAngleFields::Texts() const {
    return {(Negative ? "-" : "") + std::to_string(Degrees), std::to_string(Minutes),
            std::to_string(Seconds)};
}

std::optional<TAngleFields> ParseAngle(const std::string& input) {
    std::string text = input;
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.erase(0, 1);
    }
    const std::vector<std::string> parts = Split(text, ':');
    if (parts.size() > 3)
        return std::nullopt;
    double seconds = 0.0; // of arc (or of time)
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const bool last = i + 1 == parts.size();
        double value = 0.0;
        if (last) {
            if (!ReadNumber(parts[i], value) || value < 0.0)
                return std::nullopt;
        } else {
            int whole = 0;
            if (!ReadDigits(parts[i], whole))
                return std::nullopt;
            value = whole;
        }
        if (i > 0 && value >= 60.0)
            return std::nullopt;
        seconds += value * (i == 0 ? 3600.0 : i == 1 ? 60.0 : 1.0);
    }
    if (seconds > 1e9)
        return std::nullopt;
    const long long total = std::llround(seconds);
    TAngleFields angle;
    angle.Unrounded = (negative ? -seconds : seconds) / 3600.0;
    angle.Negative = negative && total > 0;
    angle.Degrees = static_cast<int>(total / 3600);
    angle.Minutes = static_cast<int>(total / 60 % 60);
    angle.Seconds = static_cast<int>(total % 60);
    return angle;
}

const char* AxisName(int mode) {
    switch (mode) {
    case ModeFrequency:
        return "frequency";
    case ModeWavelength:
        return "wavelength";
    case ModeVelocity:
        return "velocity";
    default:
        return "vlsr";
    }
}

TParsedOptions ParseBatchOptions(const std::vector<std::string>& arguments) {
    TParsedOptions parsed;
    TBatchOptions& o = parsed.Options;
    bool positionGiven = false;
    bool automatic = false; // --fit-outside auto
    const auto position = [&](bool galactic) {
        return [&, galactic](const std::string& v) {
            if (positionGiven)
                return std::string("give one of --galactic and --equatorial, once");
            positionGiven = true;
            o.Position = galactic ? TPositionSource::Galactic : TPositionSource::Equatorial;
            return ReadPosition(v, galactic, o.PositionTexts);
        };
    };
    const std::vector<TOption> options = {
        {{"fit-outside"},
         [&](const std::string& v) {
             if (v == "auto") {
                 automatic = true;
                 return std::string();
             }
             TLineWindow window;
             if (!ReadWindow(v, window))
                 return "--fit-outside needs LO:HI, two numbers (for example -150:150), not '" + v +
                        "'";
             o.Windows.push_back(window);
             return std::string();
         }},
        {{"terms"},
         [&o, count = Count("--terms", MaxTerms, o.Terms)](const std::string& v) {
             o.AutoTerms = false;
             return count(v);
         }},
        {{"smooth"},
         [&](const std::string& v) {
             std::string error;
             o.Smoothing = ParseSmoothing(v, error);
             return error;
         }},
        {{"gaussians"},
         [&](const std::string& v) {
             if (v == "auto") {
                 o.Gaussians = -1;
                 return std::string();
             }
             return ReadCount(v, 1, MaxGaussians, o.Gaussians)
                        ? std::string()
                        : "--gaussians needs a number of components from 1 to " +
                              std::to_string(MaxGaussians) + ", or auto, not '" + v + "'";
         }},
        {{"axis"},
         [&](const std::string& v) {
             return ReadAxis(v, o.Mode)
                        ? std::string()
                        : "--axis must be frequency, wavelength, velocity or vlsr, not '" + v + "'";
         }},
        {{"galactic"}, position(true)},
        {{"equatorial"}, position(false)},
        {{"site"},
         [&](const std::string& v) {
             if (o.Site)
                 return std::string("give --site once");
             TSiteOption site;
             std::string error = ParseSiteOption(v, site);
             if (error.empty())
                 o.Site = site;
             return error;
         }},
        {{"o", "out"}, Given("--out needs a folder", o.OutFolder)},
        {{"r0"},
         Positive("--r0 needs the Sun's distance from the Galactic centre in kpc", MaxR0, o.R0)},
        {{"dispersion"},
         Positive("--dispersion needs the gas's velocity dispersion in km/s", MaxDispersion,
                  o.Dispersion)},
        {{"v0"}, Positive("--v0 needs the Sun's circular speed in km/s", MaxV0, o.V0)},
        {{"average"}, Given("--average needs the file to write", o.AveragePath)},
        {{"files-from"},
         [&](const std::string& v) {
             if (!o.FilesFrom.empty())
                 return std::string("give --files-from once");
             o.FilesFrom = v;
             return v.empty() ? "--files-from needs a file, or - for standard input"
                              : std::string();
         }},
        {{"pattern"},
         [&](const std::string& v) {
             o.Pattern = v;
             return v.empty() || v.find('/') != std::string::npos
                        ? "--pattern needs a pattern of file names without '/' (for example "
                          "'*.txt'), not '" +
                              v + "'"
                        : std::string();
         }},
        {{"j", "jobs"}, Count("--jobs", MaxJobs, o.Jobs)},
        {{"png"}, {}, &o.Png},
        {{"svg"}, {}, &o.Svg},
        {{"force"}, {}, &o.Force},
        {{"rotation-curve"}, {}, &o.RotationCurve},
        {{"lv-diagram"}, {}, &o.LvDiagram},
        {{"fits"}, {}, &o.Fits},
        {{"0", "null"}, {}, &o.NullSeparated},
        {{"q", "quiet"}, {}, &o.Quiet},
        {{"h", "help"}, {}, &o.Help},
        {{"version"}, {}, &o.Version},
    };

    QCommandLineParser parser;
    std::map<QString, const TOption*> byName;
    for (const TOption& option : options) {
        parser.addOption(QCommandLineOption(option.Names, QString(), option.Flag ? "" : "value"));
        for (const QString& name : option.Names)
            byName[name] = &option;
    }
    QStringList texts = {QStringLiteral("kelvane-batch")};
    texts.reserve(static_cast<qsizetype>(arguments.size()) + 1);
    for (const std::string& argument : arguments)
        texts.append(Text(argument));
    if (!parser.parse(texts)) {
        parsed.Error = Refusal(parser, texts, byName);
        return parsed;
    }
    // The options in the order given, so that a message names the first bad value.
    std::map<const TOption*, qsizetype> taken;
    for (const QString& found : parser.optionNames()) {
        const TOption* option = byName.at(found);
        if (option->Flag) {
            *option->Flag = true;
            continue;
        }
        if (std::string error = option->Read(Bytes(parser.values(found).at(taken[option]++)));
            !error.empty()) {
            parsed.Error = std::move(error);
            return parsed;
        }
    }
    for (const QString& file : parser.positionalArguments())
        o.Files.push_back(Bytes(file));

    const auto given = [&parser](const char* name) { return parser.isSet(QLatin1String(name)); };
    if (o.Help || o.Version) {
        parsed.Ok = true;
        return parsed;
    }
    if (automatic && !o.Windows.empty())
        parsed.Error = "--fit-outside auto finds the line window itself: give it without LO:HI "
                       "windows";
    else if (o.Files.empty() && o.FilesFrom.empty())
        parsed.Error = "no spectrum files given";
    else if (o.NullSeparated && o.FilesFrom.empty())
        parsed.Error = "-0 is used by --files-from only";
    else if (given("r0") && !o.RotationCurve)
        parsed.Error = "--r0 is used by --rotation-curve only";
    else if (given("v0") && !o.RotationCurve && !o.LvDiagram)
        parsed.Error = "--v0 is used by --rotation-curve and --lv-diagram only";
    else if (!o.AveragePath.empty())
        for (const char* other :
             {"out", "fit-outside", "terms", "axis", "dispersion", "jobs", "png", "svg",
              "rotation-curve", "lv-diagram", "fits", "smooth", "gaussians"})
            if (given(other) && parsed.Error.empty())
                parsed.Error =
                    std::string("--average writes the average alone: give it without --") + other;
    parsed.Ok = parsed.Error.empty();
    return parsed;
}
