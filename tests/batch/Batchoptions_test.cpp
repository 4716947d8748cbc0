// The batch command's options and the angles it accepts.
#include "batch/Batchoptions.h"

#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <set>

namespace {

struct TAngleCase {
    const char* text;
    bool negative;
    int degrees, minutes, seconds;
};

TEST(BatchAngle, ReadsSexagesimalAndDecimalToWholeSeconds) {
    // Expected parts worked by hand: 5.5 deg = 5 deg 30'; 19.991111 h = 19 h 59' 28.0"; 1:59:59.6
    // rounds to 2:00:00; -0.5 deg keeps its sign with 0 degrees.
    const TAngleCase cases[] = {
        {"19:59:28", false, 19, 59, 28},
        {"40:44:02", false, 40, 44, 2},
        {"-5:30", true, 5, 30, 0},
        {"+5:30", false, 5, 30, 0},
        {"5.5", false, 5, 30, 0},
        {"-120.25", true, 120, 15, 0},
        {"19.991111", false, 19, 59, 28},
        {"1:59:59.6", false, 2, 0, 0},
        {"-0.5", true, 0, 30, 0},
        {"-0:0:0.2", false, 0, 0, 0},
        {"0", false, 0, 0, 0},
        {"359:59:59", false, 359, 59, 59},
    };
    for (const TAngleCase& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<TAngleFields> angle = ParseAngle(c.text);
        ASSERT_TRUE(angle.has_value());
        EXPECT_EQ(angle->Negative, c.negative);
        EXPECT_EQ(angle->Degrees, c.degrees);
        EXPECT_EQ(angle->Minutes, c.minutes);
        EXPECT_EQ(angle->Seconds, c.seconds);
    }
}

TEST(BatchAngle, RejectsWhatIsNotAnAngle) {
    for (const char* text : {"", "abc", "5:60", "5:30:60", "5:-3", "5::3", "1:2:3:4", "+-5",
                             "5:30.5:2", "5.5:30", "inf", "nan", "5 30", " 5", "5,30", "1e12"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(ParseAngle(text).has_value());
    }
}

TEST(BatchAngle, FieldTextsAsTheDialogTakesThem) {
    // A negative angle between -1 and 0 degrees needs "-0" in the degrees field.
    const TAngleFields half = *ParseAngle("-0:30");
    EXPECT_EQ(half.Texts(), (std::array<std::string, 3>{"-0", "30", "0"}));
    EXPECT_DOUBLE_EQ(half.Value(), -0.5);
    EXPECT_EQ(ParseAngle("19:59:28")->Texts(), (std::array<std::string, 3>{"19", "59", "28"}));
}

TBatchOptions Parsed(const std::vector<std::string>& arguments) {
    const TParsedOptions parsed = ParseBatchOptions(arguments);
    EXPECT_TRUE(parsed.Ok) << parsed.Error;
    return parsed.Options;
}

TEST(BatchOptions, TheIssuesExample) {
    const TBatchOptions o = Parsed({"--fit-outside", "-150:150", "--terms", "4", "--axis", "vlsr",
                                    "--out", "results/", "a.dat", "b.dat"});
    ASSERT_EQ(o.Windows.size(), 1u);
    EXPECT_EQ(o.Windows[0].Low, -150.0);
    EXPECT_EQ(o.Windows[0].High, 150.0);
    EXPECT_EQ(o.Terms, 4);
    EXPECT_EQ(o.Mode, ModeVelocityMinusVlsr);
    EXPECT_EQ(o.OutFolder, "results/");
    EXPECT_EQ(o.Files, (std::vector<std::string>{"a.dat", "b.dat"}));
    EXPECT_EQ(o.Position, TPositionSource::FileName);
    EXPECT_EQ(o.Jobs, 0) << "one job per core unless asked";
    EXPECT_FALSE(o.Png || o.Svg || o.Quiet || o.Force || o.RotationCurve);
}

TEST(BatchOptions, TheLineWindowIsFoundUnlessGiven) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"f.dat"}, {"--fit-outside", "auto", "f.dat"}}) {
        const TBatchOptions o = Parsed(arguments);
        EXPECT_TRUE(o.Windows.empty());
        EXPECT_EQ(o.Dispersion, 8.0) << "the cold gas's dispersion unless given";
    }
    EXPECT_EQ(Parsed({"--dispersion", "6.3", "f.dat"}).Dispersion, 6.3);
}

TEST(BatchOptions, RotationCurveConstants) {
    // The IAU 1985 values unless given.
    const TBatchOptions iau = Parsed({"--fit-outside", "0:1", "--rotation-curve", "f"});
    EXPECT_TRUE(iau.RotationCurve);
    EXPECT_EQ(iau.R0, 8.5);
    EXPECT_EQ(iau.V0, 220.0);
    const TBatchOptions own =
        Parsed({"--fit-outside", "0:1", "--r0", "8.2", "--v0=236", "--rotation-curve", "f"});
    EXPECT_EQ(own.R0, 8.2);
    EXPECT_EQ(own.V0, 236.0);
    // The diagram's model curve takes V0 too, without the rotation curve.
    const TBatchOptions diagram = Parsed({"--lv-diagram", "--v0", "200", "f"});
    EXPECT_TRUE(diagram.LvDiagram);
    EXPECT_FALSE(diagram.RotationCurve);
    EXPECT_EQ(diagram.V0, 200.0);
    EXPECT_FALSE(diagram.Fits);
    EXPECT_TRUE(Parsed({"--fits", "f"}).Fits);
}

TEST(BatchOptions, ValuesAfterEqualsRepeatedWindowsAndShortNames) {
    const TBatchOptions o =
        Parsed({"--fit-outside=20:-30", "--fit-outside", "1e-3:2e-3", "--terms=6", "-j", "3", "-o",
                "out", "--axis=frequency", "--png", "--svg", "-q", "--force", "x.dat"});
    ASSERT_EQ(o.Windows.size(), 2u);
    EXPECT_EQ(o.Windows[0].Low, -30.0) << "a window given high to low is the same window";
    EXPECT_EQ(o.Windows[0].High, 20.0);
    EXPECT_EQ(o.Windows[1].Low, 1e-3);
    EXPECT_EQ(o.Windows[1].High, 2e-3);
    EXPECT_EQ(o.Terms, 6);
    EXPECT_EQ(o.Jobs, 3);
    EXPECT_EQ(o.OutFolder, "out");
    EXPECT_EQ(o.Mode, ModeFrequency);
    EXPECT_TRUE(o.Png && o.Svg && o.Quiet && o.Force);

    // Short options grouped, a value joined to its letter.
    const TBatchOptions grouped = Parsed({"--fit-outside", "0:1", "-qj2", "-oout", "x.dat"});
    EXPECT_TRUE(grouped.Quiet);
    EXPECT_EQ(grouped.Jobs, 2);
    EXPECT_EQ(grouped.OutFolder, "out");

    // A list of NUL-ended paths, a folder's other files.
    const TBatchOptions listed = Parsed({"--files-from", "-", "-q0", "--pattern", "*.txt"});
    EXPECT_TRUE(listed.NullSeparated && listed.Quiet);
    EXPECT_EQ(listed.Pattern, "*.txt");
    EXPECT_FALSE(Parsed({"--files-from=-", "x"}).NullSeparated);
    EXPECT_EQ(Parsed({"x"}).Pattern, "*.dat") << "the control program's spectrum files";
    EXPECT_TRUE(Parsed({"--files-from=-", "--null"}).NullSeparated);
}

TEST(BatchOptions, EveryOptionOfTheHelpHasItsParagraphInTheManualPage) {
    // The options the help text lists at the start of a line, against those the manual page
    // names in the tag line of a paragraph (the line after .TP or .TQ): an option whose
    // paragraph lacks its .TP runs into the paragraph before it.
    std::set<QString> listed, tagged;
    const QRegularExpression helpOption("^  (?:-[0-9a-z], )?(--[a-z0-9-]+)");
    for (const QString& line : QString::fromStdString(BatchUsage()).split('\n'))
        if (const QRegularExpressionMatch found = helpOption.match(line); found.hasMatch())
            listed.insert(found.captured(1));
    QFile page(KELVANE_SOURCE_DIR "/packaging/kelvane-batch.1.in");
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QRegularExpression pageOption(R"(\\-\\-([a-z0-9\\-]+))");
    bool tag = false;
    for (const QString& line : QString::fromUtf8(page.readAll()).split('\n')) {
        if (tag)
            for (const QRegularExpressionMatch& found : pageOption.globalMatch(line))
                tagged.insert("--" + found.captured(1).remove('\\'));
        tag = line == ".TP" || line == ".TQ";
    }
    EXPECT_GT(listed.size(), 20u);
    for (const QString& option : listed)
        EXPECT_EQ(tagged.count(option), 1u) << option.toStdString() << " has no paragraph";
}

TEST(BatchOptions, AxisWords) {
    const std::pair<const char*, int> axes[] = {{"frequency", ModeFrequency},
                                                {"wavelength", ModeWavelength},
                                                {"velocity", ModeVelocity},
                                                {"vlsr", ModeVelocityMinusVlsr}};
    for (const auto& [word, mode] : axes) {
        EXPECT_EQ(Parsed({"--fit-outside", "0:1", "--axis", word, "f"}).Mode, mode) << word;
        EXPECT_STREQ(AxisName(mode), word);
    }
}

TEST(BatchOptions, PositionsBecomeTheDialogsTexts) {
    const TBatchOptions g = Parsed({"--fit-outside", "0:1", "--galactic", "5:30,-120:15", "f"});
    EXPECT_EQ(g.Position, TPositionSource::Galactic);
    EXPECT_EQ(g.PositionTexts, (std::array<std::string, 6>{"5", "30", "0", "-120", "15", "0"}));
    const TBatchOptions e =
        Parsed({"--fit-outside", "0:1", "--equatorial", "19.991111,-28.936389", "f"});
    EXPECT_EQ(e.Position, TPositionSource::Equatorial);
    // -28.936389 deg = -28 deg 56' 11.0"
    EXPECT_EQ(e.PositionTexts, (std::array<std::string, 6>{"19", "59", "28", "-28", "56", "11"}));

    // A right ascension that rounds up to 24 h is 0 h; one given as 24 h is refused (below).
    // 23.99999 h = 23 h 59' 59.964".
    for (const char* ra : {"23:59:59.9", "23:59:59.5", "23.99999"})
        EXPECT_EQ(Parsed({"--fit-outside", "0:1", "--equatorial", std::string(ra) + ",0", "f"})
                      .PositionTexts,
                  (std::array<std::string, 6>{"0", "0", "0", "0", "0", "0"}))
            << ra;
    EXPECT_EQ(Parsed({"--fit-outside", "0:1", "--equatorial", "23:59:59.4,0", "f"}).PositionTexts,
              (std::array<std::string, 6>{"23", "59", "59", "0", "0", "0"}));
}

TEST(BatchOptions, DoubleDashEndsTheOptionsAndNamesKeepTheirBytes) {
    // "caf\xe9" is Latin-1, not UTF-8: the file system's name for it is those bytes.
    const TBatchOptions o = Parsed(
        {"--fit-outside", "0:1", "-o", "r\xe9s", "-", "caf\xe9.dat", "--", "--odd.dat", "-q"});
    EXPECT_EQ(o.Files, (std::vector<std::string>{"-", "caf\xe9.dat", "--odd.dat", "-q"}));
    EXPECT_EQ(o.OutFolder, "r\xe9s");
    EXPECT_FALSE(o.Quiet);
}

TEST(BatchOptions, HelpAndVersionNeedNothingElse) {
    EXPECT_TRUE(Parsed({"--help"}).Help);
    EXPECT_TRUE(Parsed({"-h"}).Help);
    EXPECT_TRUE(Parsed({"--version"}).Version);
}

// --site: decimal degrees rounded to whole seconds (54.148 deg = 54 8' 52.8"; 151.211111 deg
// = 151 12' 39.9996"), metres to whole metres.
TEST(BatchOptions, SiteForOneRun) {
    const struct {
        const char* text;
        TSiteAngle latitude, longitude;
        std::optional<int> height;
    } valid[] = {
        {"54.148,-2.295,200", {false, 54, 8, 53}, {true, 2, 17, 42}, 200},
        {"-33.859722,151.211111", {true, 33, 51, 35}, {false, 151, 12, 40}, std::nullopt},
        {"0.0,-0.1,10.6", {}, {true, 0, 6, 0}, 11},
        {"+90,180,-500", {false, 90, 0, 0}, {false, 180, 0, 0}, -500},
        {"-0.0001,12.9999999", {}, {false, 13, 0, 0}, std::nullopt}, // -0.36" is 0; carried
    };
    for (const auto& c : valid) {
        const TParsedOptions parsed = ParseBatchOptions({"--site", c.text, "f"});
        ASSERT_TRUE(parsed.Ok && parsed.Options.Site) << c.text << ": " << parsed.Error;
        const TSiteOption& site = *parsed.Options.Site;
        EXPECT_TRUE(site.Latitude == c.latitude && site.Longitude == c.longitude &&
                    site.Height == c.height)
            << c.text;
    }
    EXPECT_FALSE(Parsed({"f"}).Site) << "the stored site without --site";

    const std::pair<const char*, const char*> invalid[] = {
        {"54", "LAT,LONG or LAT,LONG,ELEV"},
        {"54,-2,200,1", "LAT,LONG or LAT,LONG,ELEV"},
        {"90.0001,0", "latitude must be decimal degrees from -90 to 90"},
        {"54:08:54,-2", "latitude"},
        {"nan,0", "latitude"},
        {"54,-180.5", "longitude must be decimal degrees from -180 to 180"},
        {"54,-2,10001", "elevation must be metres from -500 to 10000"},
        {"54,-2,2e2m", "elevation"},
    };
    for (const auto& [text, error] : invalid) {
        const TParsedOptions parsed = ParseBatchOptions({"--site", text, "f"});
        EXPECT_FALSE(parsed.Ok) << text;
        EXPECT_NE(parsed.Error.find(error), std::string::npos)
            << "wanted '" << error << "' in: " << parsed.Error;
    }
    EXPECT_EQ(ParseBatchOptions({"--site", "1,1", "--site", "2,2", "f"}).Error, "give --site once");
}

struct TBadCase {
    std::vector<std::string> arguments;
    const char* error; // a part of the message
};

TEST(BatchOptions, SmoothingAndComponents) {
    const struct {
        std::vector<std::string> arguments;
        std::optional<TSmoothKind> smoothing;
        int gaussians;
    } cases[] = {
        {{"f"}, std::nullopt, 0},
        {{"--smooth", "hanning", "f"}, TSmoothKind::Hanning, 0},
        {{"--smooth=boxcar:7", "--gaussians", "3", "f"}, TSmoothKind::Boxcar, 3},
        {{"--smooth", "gauss:2.5", "--gaussians=auto", "f"}, TSmoothKind::Gauss, -1},
    };
    for (const auto& c : cases) {
        const TParsedOptions parsed = ParseBatchOptions(c.arguments);
        ASSERT_TRUE(parsed.Ok) << parsed.Error;
        EXPECT_EQ(parsed.Options.Smoothing.has_value(), c.smoothing.has_value());
        if (c.smoothing && parsed.Options.Smoothing) {
            EXPECT_EQ(parsed.Options.Smoothing->Kind, *c.smoothing);
        }
        EXPECT_EQ(parsed.Options.Gaussians, c.gaussians);
    }
}

TEST(BatchOptions, BadOptionsSayWhatIsWrong) {
    const TBadCase cases[] = {
        {{"--fit-outside", "auto", "--fit-outside", "0:1", "f"}, "without LO:HI"},
        {{"--dispersion", "0", "f"}, "--dispersion needs"},
        {{"--dispersion", "60", "f"}, "--dispersion needs"},
        {{"--fit-outside", "0:1"}, "no spectrum files"},
        {{"--fit-outside", "0-1", "f"}, "LO:HI"},
        {{"--fit-outside", "a:b", "f"}, "LO:HI"},
        {{"--fit-outside", "0:inf", "f"}, "LO:HI"},
        {{"--fit-outside"}, "needs a value"},
        {{"--fit-outside", "0:1", "--terms", "0", "f"}, "--terms"},
        {{"--fit-outside", "0:1", "--terms", "21", "f"}, "--terms"},
        {{"--fit-outside", "0:1", "--terms", "four", "f"}, "--terms"},
        {{"--fit-outside", "0:1", "--jobs", "0", "f"}, "--jobs"},
        {{"--fit-outside", "0:1", "--axis", "Frequency", "f"}, "--axis"},
        {{"--fit-outside", "0:1", "--galactic", "5", "f"}, "B,L"},
        {{"--fit-outside", "0:1", "--galactic", "91,0", "f"}, "latitude"},
        {{"--fit-outside", "0:1", "--galactic", "0,400", "f"}, "longitude"},
        {{"--fit-outside", "0:1", "--equatorial", "24:00:00,0", "f"}, "right ascension"},
        {{"--fit-outside", "0:1", "--equatorial", "24:00:00.4,0", "f"}, "right ascension"},
        {{"--fit-outside", "0:1", "--equatorial", "-1,0", "f"}, "right ascension"},
        {{"--fit-outside", "0:1", "--equatorial", "1,-90:00:01", "f"}, "declination"},
        {{"--fit-outside", "0:1", "--galactic", "0,0", "--equatorial", "1,1", "f"}, "one of"},
        {{"--fit-outside", "0:1", "--out=", "f"}, "--out"},
        {{"--fit-outside", "0:1", "--colour", "f"}, "unknown option '--colour'"},
        {{"--fit-outside", "0:1", "--png=yes", "f"}, "unknown option '--png=yes'"},
        {{"--fit-outside", "0:1", "-qx", "f"}, "unknown option '-qx'"},
        {{"--fit-outside", "0:1", "-q", "-j"}, "--jobs needs a value"},
        // The first argument refused is named, and a value is no option ("-o --png=yes").
        {{"--colour", "-qj"}, "unknown option '--colour'"},
        {{"-o", "--png=yes", "--pattern"}, "--pattern needs a value"},
        {{"--fit-outside", "0:1", "--terms", "0", "--jobs", "0", "f"}, "--terms needs"},
        {{"--fit-outside", "0:1", "--jobs", "0", "--terms", "0", "f"}, "--jobs needs"},
        {{"--fit-outside", "0:1", "--r0", "8", "f"}, "--r0 is used by --rotation-curve only"},
        {{"--fit-outside", "0:1", "--rotation-curve", "--r0", "0", "f"}, "--r0 needs"},
        {{"--fit-outside", "0:1", "--rotation-curve", "--r0", "8500", "f"}, "--r0 needs"},
        {{"--fit-outside", "0:1", "--rotation-curve", "--v0", "-220", "f"}, "--v0 needs"},
        {{"--fit-outside", "0:1", "--rotation-curve", "--v0", "nan", "f"}, "--v0 needs"},
        {{"--v0", "200", "f"}, "--v0 is used by --rotation-curve and --lv-diagram only"},
        {{"--lv-diagram", "--r0", "8", "f"}, "--r0 is used by --rotation-curve only"},
        {{"--lv-diagram", "--v0", "0", "f"}, "--v0 needs"},
        {{"--lv-diagram=yes", "f"}, "unknown option '--lv-diagram=yes'"},
        {{"-0", "f"}, "-0 is used by --files-from only"},
        {{"--pattern", "data/*.dat", "f"}, "--pattern needs"},
        {{"--pattern=", "f"}, "--pattern needs"},
        {{"--smooth", "boxcar:4", "f"}, "--smooth boxcar:N needs an odd number"},
        {{"--smooth", "gauss:0", "f"}, "--smooth gauss:KMS needs"},
        {{"--smooth", "median", "f"}, "--smooth must be hanning, boxcar:N or gauss:KMS"},
        {{"--gaussians", "0", "f"}, "--gaussians needs a number of components from 1 to 8"},
        {{"--gaussians", "9", "f"}, "--gaussians needs"},
        {{"--gaussians", "many", "f"}, "--gaussians needs"},
        {{"--average", "m.txt", "--smooth", "hanning", "f"}, "without --smooth"},
        {{"--average", "m.txt", "--gaussians", "auto", "f"}, "without --gaussians"},
    };
    for (const TBadCase& c : cases) {
        const TParsedOptions parsed = ParseBatchOptions(c.arguments);
        EXPECT_FALSE(parsed.Ok) << c.error;
        EXPECT_NE(parsed.Error.find(c.error), std::string::npos)
            << "wanted '" << c.error << "' in: " << parsed.Error;
    }
}

} // namespace
