#include "batch/Batchoptions.h"

#include <QCommandLineParser>
#include <QStringList>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>

namespace {

constexpr int MaxTerms = 20;
constexpr int MaxJobs = 256;
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

// An option the parser knows, by each of its names without dashes ("j", "jobs").
struct TKnownOption {
    std::string Name; // the long name with its dashes, as messages give it
    bool Valued = false;
};
using TKnownOptions = std::map<QString, TKnownOption>;

// Why the parser refused the arguments, in this command's words: its own texts differ and
// name no argument. The first refused argument is found again in the order given: an unknown
// option (or a letter of a group), a flag given a value ("--png=yes"), or an option at the end
// without its value.
std::string Refusal(const QStringList& arguments, const TKnownOptions& known) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--"))
            break;
        if (argument.size() < 2 || argument[0] != '-')
            continue;
        const std::string unknown = "unknown option '" + Bytes(argument) + "'";
        const TKnownOption* valued = nullptr; // an option that takes the next argument
        if (argument[1] == '-') {
            const auto option = known.find(argument.mid(2).section('=', 0, 0));
            const bool inlineValue = argument.contains('=');
            if (option == known.end() || (inlineValue && !option->second.Valued))
                return unknown;
            if (option->second.Valued && !inlineValue)
                valued = &option->second;
        } else {
            for (qsizetype k = 1; k < argument.size(); ++k) {
                const auto option = known.find(argument.mid(k, 1));
                if (option == known.end())
                    return unknown;
                if (option->second.Valued) {
                    if (k + 1 == argument.size())
                        valued = &option->second;
                    break;
                }
            }
        }
        if (valued && ++i == arguments.size())
            return valued->Name + " needs a value";
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
    bool r0Given = false, v0Given = false;
    bool automatic = false; // --fit-outside auto

    // Each option with a value: what it does with the text, or the error it gives.
    using TReader = std::function<std::string(const std::string&)>;
    const std::map<std::string, TReader> valued = {
        {"--fit-outside",
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
        {"--terms",
         [&](const std::string& v) {
             return ReadCount(v, 1, MaxTerms, o.Terms)
                        ? std::string()
                        : "--terms needs a whole number from 1 to " + std::to_string(MaxTerms) +
                              ", not '" + v + "'";
         }},
        {"--axis",
         [&](const std::string& v) {
             return ReadAxis(v, o.Mode)
                        ? std::string()
                        : "--axis must be frequency, wavelength, velocity or vlsr, not '" + v + "'";
         }},
        {"--galactic",
         [&](const std::string& v) {
             if (positionGiven)
                 return std::string("give one of --galactic and --equatorial, once");
             positionGiven = true;
             o.Position = TPositionSource::Galactic;
             return ReadPosition(v, true, o.PositionTexts);
         }},
        {"--equatorial",
         [&](const std::string& v) {
             if (positionGiven)
                 return std::string("give one of --galactic and --equatorial, once");
             positionGiven = true;
             o.Position = TPositionSource::Equatorial;
             return ReadPosition(v, false, o.PositionTexts);
         }},
        {"--site",
         [&](const std::string& v) {
             if (o.Site)
                 return std::string("give --site once");
             TSiteOption site;
             std::string error = ParseSiteOption(v, site);
             if (error.empty())
                 o.Site = site;
             return error;
         }},
        {"--out",
         [&](const std::string& v) {
             if (v.empty())
                 return std::string("--out needs a folder");
             o.OutFolder = v;
             return std::string();
         }},
        {"--r0",
         [&](const std::string& v) {
             r0Given = true;
             return ReadNumber(v, o.R0) && o.R0 > 0.0 && o.R0 <= MaxR0
                        ? std::string()
                        : "--r0 needs the Sun's distance from the Galactic centre in kpc, above 0 "
                          "and at most 100, not '" +
                              v + "'";
         }},
        {"--dispersion",
         [&](const std::string& v) {
             return ReadNumber(v, o.Dispersion) && o.Dispersion > 0.0 &&
                            o.Dispersion <= MaxDispersion
                        ? std::string()
                        : "--dispersion needs the gas's velocity dispersion in km/s, above 0 and "
                          "at most 50, not '" +
                              v + "'";
         }},
        {"--v0",
         [&](const std::string& v) {
             v0Given = true;
             return ReadNumber(v, o.V0) && o.V0 > 0.0 && o.V0 <= MaxV0
                        ? std::string()
                        : "--v0 needs the Sun's circular speed in km/s, above 0 and at most "
                          "1000, not '" +
                              v + "'";
         }},
        {"--average",
         [&](const std::string& v) {
             if (v.empty())
                 return std::string("--average needs the file to write");
             o.AveragePath = v;
             return std::string();
         }},
        {"--files-from",
         [&](const std::string& v) {
             if (!o.FilesFrom.empty())
                 return std::string("give --files-from once");
             if (v.empty())
                 return std::string("--files-from needs a file, or - for standard input");
             o.FilesFrom = v;
             return std::string();
         }},
        {"--pattern",
         [&](const std::string& v) {
             if (v.empty() || v.find('/') != std::string::npos)
                 return "--pattern needs a pattern of file names without '/' (for example "
                        "'*.txt'), not '" +
                        v + "'";
             o.Pattern = v;
             return std::string();
         }},
        {"--jobs",
         [&](const std::string& v) {
             return ReadCount(v, 1, MaxJobs, o.Jobs)
                        ? std::string()
                        : "--jobs needs a whole number from 1 to " + std::to_string(MaxJobs) +
                              ", not '" + v + "'";
         }},
    };
    const std::map<std::string, bool*> flags = {
        {"--png", &o.Png},         {"--svg", &o.Svg},
        {"--force", &o.Force},     {"--rotation-curve", &o.RotationCurve},
        {"--quiet", &o.Quiet},     {"--help", &o.Help},
        {"--version", &o.Version}, {"--lv-diagram", &o.LvDiagram},
        {"--fits", &o.Fits},       {"--null", &o.NullSeparated},
    };
    const std::map<std::string, std::string> shortNames = {
        {"-0", "--null"}, {"-h", "--help"}, {"-j", "--jobs"}, {"-o", "--out"}, {"-q", "--quiet"}};

    QCommandLineParser parser;
    TKnownOptions known;
    auto declare = [&](const std::string& name, bool takesValue) {
        QStringList names = {Text(name.substr(2))};
        for (const auto& [letter, longName] : shortNames)
            if (longName == name)
                names.prepend(Text(letter.substr(1)));
        for (const QString& n : names)
            known[n] = {name, takesValue};
        parser.addOption(QCommandLineOption(names, QString(), takesValue ? "value" : QString()));
    };
    for (const auto& option : valued)
        declare(option.first, true);
    for (const auto& flag : flags)
        declare(flag.first, false);

    QStringList texts = {QStringLiteral("kelvane-batch")};
    texts.reserve(static_cast<qsizetype>(arguments.size()) + 1);
    for (const std::string& argument : arguments)
        texts.append(Text(argument));
    if (!parser.parse(texts)) {
        parsed.Error = Refusal(texts, known);
        return parsed;
    }
    // The values are read in the order given: a message names the first bad one.
    std::map<std::string, qsizetype> taken;
    for (const QString& found : parser.optionNames()) {
        const std::string& name = known.at(found).Name;
        if (const auto f = flags.find(name); f != flags.end()) {
            *f->second = true;
            continue;
        }
        const std::string error = valued.at(name)(Bytes(parser.values(found).at(taken[name]++)));
        if (!error.empty()) {
            parsed.Error = error;
            return parsed;
        }
    }
    const QStringList files = parser.positionalArguments();
    o.Files.reserve(static_cast<std::size_t>(files.size()));
    for (const QString& file : files)
        o.Files.push_back(Bytes(file));

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
    else if (r0Given && !o.RotationCurve)
        parsed.Error = "--r0 is used by --rotation-curve only";
    else if (v0Given && !o.RotationCurve && !o.LvDiagram)
        parsed.Error = "--v0 is used by --rotation-curve and --lv-diagram only";
    else if (!o.AveragePath.empty())
        for (const char* other :
             {"--out", "--fit-outside", "--terms", "--axis", "--dispersion", "--jobs", "--png",
              "--svg", "--rotation-curve", "--lv-diagram", "--fits"})
            if (parsed.Error.empty() &&
                (taken.count(other) || (flags.count(other) && *flags.at(other))))
                parsed.Error = std::string("--average writes the average alone: give it "
                                           "without ") +
                               other;
    parsed.Ok = parsed.Error.empty();
    return parsed;
}
