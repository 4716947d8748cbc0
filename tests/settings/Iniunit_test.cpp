// Settings files as text: the site edited into the control program's file with every other
// byte kept, and values read as QSettings reads them without deserialising any.
#include "settings/Iniunit.h"

#include "settings/Siteunit.h"

#include <QSettings>
#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

namespace {

// 33 51' 35" S, 0 17' 41" W (degrees stored as "-0"), 58 m, J1950.
TSite NewSite() {
    TSite site;
    site.Latitude = {true, 33, 51, 35};
    site.Longitude = {true, 0, 17, 41};
    site.Height = 58;
    site.J1950 = true;
    return site;
}

// The site's lines as the expected texts below spell them, for one line end.
std::string SiteLines(const char* section, const std::string& eol) {
    const std::string s = section;
    if (s == "Latitude")
        return "Degrees=-33" + eol + "Minutes=51" + eol + "Seconds=35" + eol;
    if (s == "Longitude")
        return "Degrees=-0" + eol + "Minutes=17" + eol + "Seconds=41" + eol;
    return s == "Position" ? "Height=58" + eol : "Equinox=J1950" + eol;
}

TEST(EditIniText, OnlyTheSiteLinesChange) {
    const std::string crlf = "\r\n", lf = "\n";
    const struct {
        const char* name;
        std::string text, expected;
    } cases[] = {
        {"the control program's file, CRLF, comments, keys with blanks and backslashes",
         "; Tovrel station\r\n[Telescope]\r\nName=Dish 3\r\n\r\n[Com Ports]\r\nMotor=1\r\n\r\n"
         "[Latitude]\r\nDegrees=54\r\nMinutes = 8\r\n; Seconds=1 is a comment\r\n"
         "Seconds=54 ; surveyed\r\n\r\n[ChooseSource]\r\nRa Diff=0.133333333333333\r\n"
         "[Longitude]\r\nDegrees=-2\r\nMinutes=17\r\nSeconds=41\r\n[Position]\r\nHeight=200\r\n"
         "[Log file]\r\nPrefix=C:\\logs\\scan\r\n[Calculations]\r\nEquinox=J2000\r\n",
         "; Tovrel station\r\n[Telescope]\r\nName=Dish 3\r\n\r\n[Com Ports]\r\nMotor=1\r\n\r\n"
         "[Latitude]\r\nDegrees=-33\r\nMinutes = 51\r\n; Seconds=1 is a comment\r\n"
         "Seconds=35 ; surveyed\r\n\r\n[ChooseSource]\r\nRa Diff=0.133333333333333\r\n"
         "[Longitude]\r\nDegrees=-0\r\nMinutes=17\r\nSeconds=41\r\n[Position]\r\nHeight=58\r\n"
         "[Log file]\r\nPrefix=C:\\logs\\scan\r\n[Calculations]\r\nEquinox=J1950\r\n"},
        {"LF, keys and sections missing, no final line end",
         "[Position]\nTemperature=12\n\n[Latitude]\nDegrees=10",
         "[Position]\nTemperature=12\n" + SiteLines("Position", lf) + "\n[Latitude]\n" +
             SiteLines("Latitude", lf) + "\n[Longitude]\n" + SiteLines("Longitude", lf) +
             "\n[Calculations]\n" + SiteLines("Calculations", lf)},
        {"an empty file", "",
         "[Latitude]\n" + SiteLines("Latitude", lf) + "\n[Longitude]\n" +
             SiteLines("Longitude", lf) + "\n[Position]\n" + SiteLines("Position", lf) +
             "\n[Calculations]\n" + SiteLines("Calculations", lf)},
        // Names as QSettings reads them: escaped, as a path under [General], twice (every
        // line of the key gets the value); a key of another case is another key.
        {"keys named as QSettings names them, a value over two lines, CRLF added",
         "Latitude\\Degrees=1\r\n[Lat%69tude]\r\nDegrees=2\r\nminutes=3\r\n"
         "[Position]\r\nHeight=\"20\\\r\n0\"\r\n[Calculations]\r\n\r\n; end\r\n",
         "Latitude\\Degrees=-33\r\n[Lat%69tude]\r\nDegrees=-33\r\nminutes=3\r\nMinutes=51\r\n"
         "Seconds=35\r\n[Position]\r\nHeight=58\r\n[Calculations]\r\n" +
             SiteLines("Calculations", crlf) + "\r\n; end\r\n\r\n[Longitude]\r\n" +
             SiteLines("Longitude", crlf)},
        // A quote left open would swallow every line added after it: refused, not written.
        {"an unclosed quote", "[Telescope]\nName=\"Dish 3\n", ""},
    };
    QTemporaryDir folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray edited =
            EditIniText(QByteArray::fromStdString(c.text), SiteEdits(NewSite())).value_or("");
        EXPECT_EQ(edited.toStdString(), c.expected);
        if (c.expected.empty())
            continue;
        // QSettings, as the control program reads the file, finds the new site.
        const QString path = folder.filePath("Tovrel.ini");
        std::ofstream(path.toStdString(), std::ios::binary | std::ios::trunc)
            << edited.toStdString();
        const QSettings store(path, QSettings::IniFormat);
        for (const auto& [key, value] : {std::pair{"Latitude/Degrees", "-33"},
                                         {"Latitude/Seconds", "35"},
                                         {"Longitude/Degrees", "-0"},
                                         {"Position/Height", "58"},
                                         {"Calculations/Equinox", "J1950"}})
            EXPECT_EQ(store.value(key).toString().toStdString(), value) << key;
    }
}

TEST(ReadIniText, ValuesAsQSettingsReadsThemNoneDeserialised) {
    const QByteArray text =
        "[Latitude]\nDegrees=@Variant(\\0\\0\\0\\x7f\\xff\\xff\\xff\\xfe)\nMinutes=\"@Variant(x)"
        "\"\n"
        "Seconds=@@Variant(x)\n[Com Ports]\nMotor= 2 \n[Log file]\nPrefix=\"C:\\\\logs\\\\scan\"\n"
        "Name=a, \"b,c\" , d\nList=@ByteArray(x), 1\n[Position]\nHeight=1\nHeight=2\n";
    const QSettings::SettingsMap map = ReadIniText(text);
    EXPECT_FALSE(map.contains("Latitude/Degrees"));
    EXPECT_FALSE(map.contains("Latitude/Minutes"));
    EXPECT_FALSE(map.contains("Log file/List"));
    EXPECT_EQ(map.value("Latitude/Seconds"), QVariant("@Variant(x)"));
    EXPECT_EQ(map.value("Com Ports/Motor"), QVariant("2"));
    EXPECT_EQ(map.value("Log file/Prefix"), QVariant("C:\\logs\\scan"));
    EXPECT_EQ(map.value("Log file/Name"), QVariant(QStringList{"a", "b,c", "d"}));
    EXPECT_EQ(map.value("Position/Height"), QVariant("2"));

    // Texts written with IniValueText read back the same through both readers.
    QTemporaryDir folder;
    for (const QString& value :
         {QString("plain"), QString(" blanks "), QString("a,b;c=d"), QString("@Variant(x)"),
          QString("C:\\logs \"x\"\n"), QString::fromUtf8("/home/ren\xc3\xa9/\xf0\x9f\x93\xa1"),
          QString()}) {
        bool ok = false;
        const QByteArray line = "[Files]\nOpenFolder=" + IniValueText(value, ok) + "\n";
        ASSERT_TRUE(ok);
        EXPECT_EQ(ReadIniText(line).value("Files/OpenFolder").toString(), value)
            << line.toStdString();
        const QString path = folder.filePath("Kelvane.ini");
        std::ofstream(path.toStdString(), std::ios::binary | std::ios::trunc) << line.toStdString();
        EXPECT_EQ(QSettings(path, QSettings::IniFormat).value("Files/OpenFolder").toString(), value)
            << line.toStdString();
    }
    bool ok = true;
    EXPECT_TRUE(IniValueText("bell\a", ok).isEmpty());
    EXPECT_FALSE(ok);
}

} // namespace
