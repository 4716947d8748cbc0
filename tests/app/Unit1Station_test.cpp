// File > Station settings through the window: the dialog filled as a user fills it, the shared
// store it writes, the details that follow, and a store that cannot be written.
#include "app/MainWindowFixture.h"
#include "details/Detailsunit.h"
#include "details/Stationunit.h"
#include "support/ChildRun.h"
#include "support/SmallDisk.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <csignal>
#include <sys/resource.h>

namespace {

class Station : public MainWindow {
protected:
    void TearDown() override { ClearTestSettings(); }

    // Replaces a field's text by typing, as after a triple click.
    static void Type(QLineEdit* field, const QString& text) {
        field->selectAll();
        QTest::keyClicks(field, text);
    }

    // Steps a closed drop-down list to the item of text with the arrow keys.
    static void Choose(QComboBox* box, const QString& text) {
        const int wanted = box->findText(text);
        while (box->currentIndex() != wanted)
            QTest::keyClick(box, box->currentIndex() < wanted ? Qt::Key_Down : Qt::Key_Up);
    }

    // Runs File > Station settings with the dialog on screen, handled by answer.
    void StationSettings(TForm1& form, const std::function<void(TStationForm&)>& answer) {
        Dialogs.OnModal = [&answer](QDialog& dialog) {
            dialog.show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
            answer(static_cast<TStationForm&>(dialog));
        };
        form.miStation->trigger();
        Dialogs.OnModal = nullptr;
    }

    static QVariant Stored(const char* key) { return QSettings("Fernhollow", "Tovrel").value(key); }
};

TEST_F(Station, OkWritesTheSharedSettingsAndTheDetailsFollow) {
    {
        QSettings store("Fernhollow", "Tovrel");
        store.setValue("Telescope/Name", "Dish 3");
        store.setValue("Custom/Unknown", "kept");
    }
    auto form = Open();
    Dialogs.ModalResult = QDialog::Accepted;
    Dialogs.OnModal = [](QDialog& dialog) {
        Type(static_cast<TDetailsForm&>(dialog).edLiiDeg, "30");
    };
    Read(*form, Spectrum("a.dat"));
    const QString vlsr = form->edVlsr->text();
    const QString raMinutes = form->Details()->edRaMin->text();
    ASSERT_EQ(form->lblLat->text(), "54\u00b0 8' 54\"");

    // Cancel keeps everything, whatever was typed.
    StationSettings(*form, [](TStationForm& dialog) {
        Type(dialog.edLatDegrees, "10");
        QTest::mouseClick(dialog.btnCancel, Qt::LeftButton);
    });
    EXPECT_FALSE(Stored("Latitude/Degrees").isValid());
    EXPECT_EQ(form->StationSettings().LatDegrees, 54);

    StationSettings(*form, [](TStationForm& dialog) {
        EXPECT_EQ(dialog.edLatDegrees->text(), "54") << "opens on the station's site";
        EXPECT_EQ(dialog.cbLongHemisphere->currentText(), "W");
        Type(dialog.edLatDegrees, "33");
        Type(dialog.edLatMinutes, "51");
        Type(dialog.edLatSeconds, "75");
        Choose(dialog.cbLatHemisphere, "S");
        Type(dialog.edLongDegrees, "0");
        Type(dialog.edHeight, "58");
        Choose(dialog.cbEquinox, "J1950");
        QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
        // Refused: the dialog stays with the reason and the field at fault, and saves nothing.
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_TRUE(dialog.lblError->isVisible());
        EXPECT_TRUE(dialog.lblError->text().startsWith("Latitude seconds"));
        EXPECT_EQ(QApplication::focusWidget(), dialog.edLatSeconds);
        EXPECT_FALSE(Stored("Latitude/Degrees").isValid());
        QTest::keyClicks(dialog.edLatSeconds, "35");
        EXPECT_FALSE(dialog.lblError->isVisible());
        QTest::keyClick(dialog.edLatSeconds, Qt::Key_Return);
        EXPECT_FALSE(dialog.isVisible());
    });

    // Stored as the suite reads it, 0 17' 41" west with its degrees as "-0".
    for (const auto& [key, value] : {std::pair{"Latitude/Degrees", "-33"},
                                     {"Latitude/Minutes", "51"},
                                     {"Latitude/Seconds", "35"},
                                     {"Longitude/Degrees", "-0"},
                                     {"Longitude/Minutes", "17"},
                                     {"Longitude/Seconds", "41"},
                                     {"Position/Height", "58"},
                                     {"Calculations/Equinox", "J1950"},
                                     {"Telescope/Name", "Dish 3"},
                                     {"Custom/Unknown", "kept"}})
        EXPECT_EQ(Stored(key).toString(), value) << key;
    EXPECT_EQ(form->StationSettings().LatDegrees, -33);
    EXPECT_TRUE(form->StationSettings().LongMinusZero);

    // The details dialog shows the new site; the side panel and the VLSR stay those applied.
    const TDetailsForm& details = *form->Details();
    EXPECT_EQ(details.edLatDeg->text(), "-33");
    EXPECT_EQ(details.edLongDeg->text(), "-0");
    EXPECT_EQ(details.edElev->text(), "58");
    EXPECT_EQ(details.edEpoch->text(), "1950");
    EXPECT_EQ(details.edLiiDeg->text(), "30") << "the position typed is kept";
    // l = 30, b = 0 is at 18 h 46.4 min in J2000 and 18 h 43.8 min in B1950.
    EXPECT_NE(details.edRaMin->text(), raMinutes) << "converted for the new equinox";
    EXPECT_EQ(form->lblLat->text(), "54\u00b0 8' 54\"");
    EXPECT_EQ(form->edVlsr->text(), vlsr);
    EXPECT_TRUE(form->StatusText(2).contains("the next details applied use the new site"));

    // Applied again, the new site reaches the panel and the VLSR.
    form->miDetails->trigger();
    EXPECT_TRUE(form->lblLat->text().startsWith("-33\u00b0 51'"))
        << form->lblLat->text().toStdString();
    EXPECT_TRUE(form->lblLong->text().startsWith("-0\u00b0 17'"))
        << form->lblLong->text().toStdString();
    EXPECT_EQ(form->lblElev->text(), "58");
    EXPECT_NE(form->edVlsr->text(), vlsr);
}

// The calibration typed into the dialog: refused when not a number above 0, stored with the
// site, shown again, and removed when emptied.
TEST_F(Station, TheCalibrationIsTypedStoredAndRemoved) {
    auto form = Open();
    StationSettings(*form, [](TStationForm& dialog) {
        EXPECT_EQ(dialog.edKelvinPerCount->text(), "") << "none at first";
        EXPECT_EQ(dialog.findChild<QLineEdit*>("edKelvinPerCount"), dialog.edKelvinPerCount);
        Type(dialog.edKelvinPerCount, "-2");
        QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_TRUE(dialog.lblError->text().startsWith("Kelvin per count"));
        EXPECT_EQ(QApplication::focusWidget(), dialog.edKelvinPerCount);
        Type(dialog.edKelvinPerCount, "0.0125");
        QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
        EXPECT_FALSE(dialog.isVisible());
    });
    EXPECT_EQ(Stored("Calibration/KelvinPerCount").toString(), "0.0125");
    EXPECT_EQ(form->StationSettings().KelvinPerCount, 0.0125);
    StationSettings(*form, [](TStationForm& dialog) {
        EXPECT_EQ(dialog.edKelvinPerCount->text(), "0.0125");
        dialog.edKelvinPerCount->clear();
        QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
    });
    EXPECT_FALSE(form->StationSettings().KelvinPerCount);
    EXPECT_FALSE(TStationSettings::Read().KelvinPerCount);
}

// A store on a full disk: the reason in the dialog, which stays open; the file, the window's
// station and what a later reader in this process sees all stay as they were.
TEST_F(Station, AFullDiskKeepsTheOldSettings) {
    const QString folder = TestSettingsFolder() + "/Fernhollow";
    ASSERT_TRUE(QDir().mkpath(folder));
    const TSmallDisk disk(folder);
    if (!disk.Mounted)
        GTEST_SKIP() << "cannot mount a tmpfs here: " << disk.Reason;
    const QString path = folder + "/Tovrel.conf";
    const QByteArray old = "[Latitude]\nDegrees=40\n\n[Telescope]\nName=Dish 3\n";
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(old);
    }
    disk.Fill();
    auto form = Open();
    ASSERT_EQ(form->StationSettings().LatDegrees, 40);

    StationSettings(*form, [&path](TStationForm& dialog) {
        Type(dialog.edLatDegrees, "12");
        Type(dialog.edHeight, "1200");
        QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_TRUE(dialog.lblError->text().startsWith("The station settings were not saved"));
        EXPECT_TRUE(dialog.lblError->text().contains(path));
        QTest::mouseClick(dialog.btnCancel, Qt::LeftButton);
    });
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), old);
    EXPECT_EQ(form->StationSettings().LatDegrees, 40);
    EXPECT_EQ(form->StationSettings().Height, 200);
    EXPECT_EQ(TStationSettings::Read().LatDegrees, 40);
    EXPECT_EQ(TStationSettings::Read().Height, 200);
    EXPECT_FALSE(form->StatusText(2).contains("saved"));
}

// A file-size limit cuts the new file short: the old one stays byte for byte and the dialog
// says why. Run in a child, as the limit and the ignored SIGXFSZ hold for a whole process.
TEST_F(Station, AFileSizeLimitKeepsTheOldSettings) {
    const QString folder = TestSettingsFolder() + "/Fernhollow";
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + "/Tovrel.conf";
    const QByteArray old =
        "; set up 2019\r\n[Com Ports]\r\nMotor=1\r\n[Latitude]\r\nDegrees=40\r\n";
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(old);
    }
    auto form = Open();
    const auto shown = RunInChild(
        [&] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limited{16, 16};
            ::setrlimit(RLIMIT_FSIZE, &limited);
            std::string error;
            StationSettings(*form, [&error](TStationForm& dialog) {
                Type(dialog.edLatDegrees, "12");
                QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
                if (dialog.isVisible())
                    error = dialog.lblError->text().toStdString();
                QTest::mouseClick(dialog.btnCancel, Qt::LeftButton);
            });
            return error;
        },
        std::chrono::seconds(20));
    ASSERT_TRUE(shown.has_value());
    EXPECT_EQ(shown->rfind("The station settings were not saved", 0), 0u) << *shown;
    EXPECT_NE(shown->find(path.toStdString()), std::string::npos) << *shown;
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), old);
    EXPECT_EQ(QDir(folder).entryList({"*Tovrel*"}, QDir::Files | QDir::Hidden),
              QStringList{"Tovrel.conf"})
        << "no new file left beside it";
    // Without the limit the same OK edits the line and keeps the rest.
    StationSettings(*form, [](TStationForm& dialog) {
        Type(dialog.edLatDegrees, "12");
        QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
    });
    QFile edited(path); // the old file was replaced, not written into
    ASSERT_TRUE(edited.open(QIODevice::ReadOnly));
    EXPECT_TRUE(edited.readAll().startsWith(
        "; set up 2019\r\n[Com Ports]\r\nMotor=1\r\n[Latitude]\r\nDegrees=12\r\n"));
}

} // namespace
