#include "details/Detailsunit.h"

#include "data/Datetimeunit.h"
#include "session/Applydetailsunit.h"
#include "session/Filenameunit.h"
#include "settings/Globalunit.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <gtest/gtest.h>
#include <vector>

namespace {

using F = TDetailsField;

TStationSettings Station(int equinoxSelector) {
    TStationSettings settings; // 54 8 54, -2 17 41, 200 m
    settings.EquinoxSelector = equinoxSelector;
    return settings;
}

// Select everything in the field and type over it, key by key.
void TypeInto(QLineEdit* edit, const QString& text) {
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(edit, text);
}

void TypeRow(QLineEdit* d, QLineEdit* m, QLineEdit* s, const QString& dt, const QString& mt,
             const QString& st) {
    TypeInto(d, dt);
    TypeInto(m, mt);
    TypeInto(s, st);
}

QStringList AllTexts(const TDetailsForm& form) {
    QStringList texts;
    for (std::size_t i = 0; i < DetailsFieldCount; ++i)
        texts << form.Field(static_cast<F>(i))->text();
    return texts;
}

// The texts of the galactic fields; seconds may differ by one at truncation boundaries.
void ExpectGalactic(const TDetailsForm& form, const QStringList& expected) {
    const QLineEdit* fields[] = {form.edBiiDeg, form.edBiiMin, form.edBiiSec,
                                 form.edLiiDeg, form.edLiiMin, form.edLiiSec};
    for (int i = 0; i < 6; ++i) {
        if (i % 3 == 2)
            EXPECT_NEAR(fields[i]->text().toInt(), expected[i].toInt(), 1)
                << fields[i]->objectName().toStdString();
        else
            EXPECT_EQ(fields[i]->text(), expected[i]) << fields[i]->objectName().toStdString();
    }
}

class DetailsForm : public ::testing::Test {};

TEST_F(DetailsForm, NamedControlsCaptionsAndSize) {
    TDetailsForm form(nullptr, Station(1));
    for (std::size_t i = 0; i < DetailsFieldCount; ++i) {
        const char* name = DetailsFieldName(static_cast<F>(i));
        EXPECT_EQ(form.findChild<QLineEdit*>(name), form.Field(static_cast<F>(i))) << name;
    }
    for (const char* name : {"pnlLocation", "pnlEquatorial", "pnlGalactic", "pnlEpoch"})
        EXPECT_NE(form.findChild<QFrame*>(name), nullptr) << name;
    ASSERT_EQ(form.findChild<QPushButton*>("BitBtn1"), form.BitBtn1);
    ASSERT_EQ(form.findChild<QPushButton*>("BitBtn2"), form.BitBtn2);
    EXPECT_TRUE(form.BitBtn1->isDefault());
    EXPECT_EQ(form.BitBtn1->text(), "OK");
    EXPECT_EQ(form.BitBtn2->text(), "&No");
    ASSERT_EQ(form.findChild<QLabel*>("Label11"), form.Label11);
    EXPECT_EQ(form.Label11->text(), "Other stuff (DC Gain, Offset volts etc.) to follow.");

    QStringList captions;
    for (const QLabel* label : form.findChildren<QLabel*>())
        captions << label->text();
    const struct {
        const char* text;
        int count;
    } expected[] = {{"Latitude", 1},
                    {"Longitude", 1},
                    {"Elevation", 1},
                    {"m", 1},
                    {"Right Ascension", 1},
                    {"hrs", 1},
                    {"Declination", 1},
                    {"GLatitude (\u00DF)", 1},
                    {"GLongitude (L)", 1},
                    {"Epoch", 1},
                    {"\u00B0", 5},
                    {"'", 6},
                    {"\"", 6}};
    for (const auto& e : expected)
        EXPECT_EQ(captions.count(QString::fromUtf8(e.text)), e.count) << e.text;

    EXPECT_EQ(form.size(), QSize(255, 388));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
}

TEST_F(DetailsForm, SiteFromTheStationSettingsIsReadOnly) {
    TDetailsForm form(nullptr, Station(0));
    EXPECT_EQ(form.edLatDeg->text() + " " + form.edLatMin->text() + " " + form.edLatSec->text(),
              "54 8 54");
    EXPECT_EQ(form.edLongDeg->text() + " " + form.edLongMin->text() + " " + form.edLongSec->text(),
              "-2 17 41");
    EXPECT_EQ(form.edElev->text(), "200");
    EXPECT_EQ(form.edEpoch->text(), "1950");
    for (QLineEdit* site : {form.edLatDeg, form.edLatMin, form.edLatSec, form.edLongDeg,
                            form.edLongMin, form.edLongSec}) {
        EXPECT_TRUE(site->isReadOnly());
        EXPECT_TRUE(site->toolTip().contains("station settings"));
    }
    TypeInto(form.edLatDeg, "10");
    EXPECT_EQ(form.edLatDeg->text(), "54");
    EXPECT_NEAR(form.State().SiteLatitude().Value, 54.148333, 1e-6);

    // Elevation and epoch are typed in and reach the state.
    TypeInto(form.edElev, "35.5");
    TypeInto(form.edEpoch, "2000");
    EXPECT_EQ(form.State().Text(F::edElev), "35.5");
    EXPECT_EQ(form.State().Text(F::edEpoch), "2000");
}

TEST_F(DetailsForm, TypedEquatorialPositionFillsTheGalacticFields) {
    struct Case {
        const char* name;
        int selector;
        QStringList galactic;
    };
    // Cygnus A, B1950 19h 59m 28s +40 44' 2": l 76.48017, b 5.549103 with the B1950 pole;
    // l 76.189265, b 5.756337 with the J2000 pole.
    const std::vector<Case> cases = {
        {"1950", 0, {"5", "32", "56", "76", "28", "48"}},
        {"2000", 1, {"5", "45", "22", "76", "11", "21"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TDetailsForm form(nullptr, Station(c.selector));
        TypeRow(form.edRaHrs, form.edRaMin, form.edRaSec, "19", "59", "28");
        TypeRow(form.edDecDeg, form.edDecMin, form.edDecSec, "40", "44", "2");
        ExpectGalactic(form, c.galactic);
        EXPECT_EQ(form.edDecDeg->text() + " " + form.edDecMin->text() + " " + form.edDecSec->text(),
                  "40 44 2");
    }
}

TEST_F(DetailsForm, SouthOfThePlaneTheGalacticLatitudeIsNegative) {
    // Near the Orion nebula, RA 5h 35m, Dec -5 24' (B1950): b -18 deg 53'.
    TDetailsForm form(nullptr, Station(0));
    TypeRow(form.edRaHrs, form.edRaMin, form.edRaSec, "5", "35", "0");
    TypeRow(form.edDecDeg, form.edDecMin, form.edDecSec, "-5", "24", "0");
    EXPECT_EQ(form.edBiiDeg->text(), "-18");
    EXPECT_EQ(form.edBiiMin->text(), "53");
    EXPECT_EQ(form.edDecDeg->text(), "-5");
}

TEST_F(DetailsForm, EachKeyConvertsOnceAndRewritesOnlyTheOtherGroup) {
    TDetailsForm form(nullptr, Station(0));
    TypeRow(form.edRaHrs, form.edRaMin, form.edRaSec, "19", "59", "28");
    TypeRow(form.edDecDeg, form.edDecMin, form.edDecSec, "40", "44", "2");
    const QStringList before = AllTexts(form);

    form.edRaMin->setFocus();
    QTest::keyClick(form.edRaMin, Qt::Key_End);
    const int count = form.State().ConversionCount();
    QTest::keyClick(form.edRaMin, Qt::Key_Backspace);
    EXPECT_EQ(form.State().ConversionCount(), count + 1);
    QTest::keyClick(form.edRaMin, Qt::Key_0);
    EXPECT_EQ(form.State().ConversionCount(), count + 2);
    EXPECT_EQ(form.edRaMin->text(), "50");

    const QStringList after = AllTexts(form);
    for (std::size_t i = 0; i < DetailsFieldCount; ++i) {
        const auto field = static_cast<F>(i);
        if (field == F::edRaMin || (field >= F::edBiiDeg && field <= F::edLiiSec))
            continue;
        EXPECT_EQ(after[i], before[i]) << DetailsFieldName(field);
    }
    EXPECT_NE(form.edLiiMin->text(), before[static_cast<int>(F::edLiiMin)]);
    EXPECT_NEAR(form.State().RightAscension().GetValue(), (19 + 50 / 60.0 + 28 / 3600.0) * 15,
                1e-9);

    // The other way: a galactic key rewrites the equatorial fields only.
    const QStringList galactic = AllTexts(form).mid(static_cast<int>(F::edBiiDeg), 6);
    const QStringList equatorial = AllTexts(form).mid(static_cast<int>(F::edRaHrs), 6);
    TypeInto(form.edLiiSec, "7");
    EXPECT_EQ(form.State().ConversionCount(), count + 3);
    QStringList expected = galactic;
    expected[5] = "7";
    EXPECT_EQ(AllTexts(form).mid(static_cast<int>(F::edBiiDeg), 6), expected);
    EXPECT_NE(AllTexts(form).mid(static_cast<int>(F::edRaHrs), 6), equatorial);
}

TEST_F(DetailsForm, ClearingAFieldConvertsAtOnce) {
    TDetailsForm form(nullptr, Station(0));
    TypeRow(form.edRaHrs, form.edRaMin, form.edRaSec, "19", "59", "28");
    TypeRow(form.edDecDeg, form.edDecMin, form.edDecSec, "40", "44", "2");
    const QString latitudeMinutes = form.edBiiMin->text();
    QTest::keyClick(form.edDecMin, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(form.edDecMin, Qt::Key_Backspace);
    EXPECT_EQ(form.edDecMin->text(), "");
    EXPECT_NEAR(form.State().Declination().Value, 40 + 2 / 3600.0, 1e-9);
    EXPECT_NE(form.edBiiMin->text(), latitudeMinutes);
}

TEST_F(DetailsForm, ShowingTakesTheFileNamePosition) {
    TDetailsForm form(nullptr, Station(1));
    // G5.30_m120.15.dat: latitude 5 30 0, longitude -120 15 0 (held as 239.75).
    TGLatitude latitude;
    TGLongitude longitude;
    ASSERT_TRUE(ParseFileName("G5.30_m120.15.dat", latitude, longitude));
    form.SetFileNamePosition(true, latitude, longitude);
    const QString ra = form.edRaHrs->text();
    form.show();
    ExpectGalactic(form, {"5", "30", "0", "239", "45", "0"});
    EXPECT_NE(form.edRaHrs->text(), ra);
    EXPECT_NEAR(form.State().GalLongitude().Value, 239.75, 1e-9);
    form.hide();

    // A file without a position leaves the fields as they were.
    form.SetFileNamePosition(false, latitude, longitude);
    TypeInto(form.edBiiDeg, "12");
    const QStringList texts = AllTexts(form);
    form.show();
    EXPECT_EQ(AllTexts(form), texts);
}

TEST_F(DetailsForm, TabRunsDownTheColumns) {
    TDetailsForm form(nullptr, Station(1));
    form.show();
    ASSERT_EQ(form.focusWidget(), form.edRaHrs);
    const std::vector<QWidget*> order = {form.edDecDeg, form.edRaMin,  form.edDecMin, form.edRaSec,
                                         form.edDecSec, form.edBiiDeg, form.edLiiDeg, form.edBiiMin,
                                         form.edLiiMin, form.edBiiSec, form.edLiiSec, form.edEpoch,
                                         form.BitBtn1,  form.BitBtn2};
    for (QWidget* next : order) {
        QTest::keyClick(form.focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(form.focusWidget(), next) << next->objectName().toStdString();
    }
}

TEST_F(DetailsForm, ModalResults) {
    TDetailsForm form(nullptr, Station(1));
    struct Case {
        const char* name;
        std::function<void()> answer;
        int result;
    };
    const std::vector<Case> cases = {
        {"OK", [&] { QTest::mouseClick(form.BitBtn1, Qt::LeftButton); }, QDialog::Accepted},
        {"Return in a field", [&] { QTest::keyClick(form.edRaSec, Qt::Key_Return); },
         QDialog::Accepted},
        {"No", [&] { QTest::mouseClick(form.BitBtn2, Qt::LeftButton); }, QDialog::Rejected},
        {"Escape", [&] { QTest::keyClick(form.edRaSec, Qt::Key_Escape); }, QDialog::Rejected},
    };
    for (const Case& c : cases) {
        TypeInto(form.edRaSec, "33");
        QTimer::singleShot(0, &form, c.answer);
        EXPECT_EQ(form.exec(), c.result) << c.name;
        // The dialog keeps its fields for the next showing, whatever closed it.
        EXPECT_EQ(form.edRaSec->text(), "33") << c.name;
    }
}

TEST_F(DetailsForm, CentredOnItsOwner) {
    QWidget owner;
    owner.setGeometry(120, 90, 900, 700);
    owner.show();
    TDetailsForm form(&owner, Station(1));
    form.show();
    const QPoint offset = form.frameGeometry().center() - owner.frameGeometry().center();
    EXPECT_LE(std::abs(offset.x()), 2);
    EXPECT_LE(std::abs(offset.y()), 2);
}

TEST_F(DetailsForm, ElevationThatIsNotANumberIsNotApplied) {
    TDetailsForm form(nullptr, Station(1));
    TypeInto(form.edElev, "abc");
    double date = 0.0;
    ASSERT_TRUE(TryEncodeDate(2012, 3, 1, date));
    const TAppliedDetails r = ComputeAppliedDetails(date, form.State());
    EXPECT_FALSE(r.Applied);
    EXPECT_EQ(r.Error, "'abc' is not a valid floating point value");
    TypeInto(form.edElev, "200");
    EXPECT_TRUE(ComputeAppliedDetails(date, form.State()).Applied);
}

// Every control lies inside the fixed client area, no two fields overlap and every label has
// room for its text. KELVANE_SCREENSHOT=<file.png> also saves a picture of the dialog.
TEST_F(DetailsForm, LayoutFitsTheClientArea) {
    TDetailsForm form(nullptr, Station(1));
    form.setWindowTitle("G5.30_m120.15.dat");
    form.show();
    const QRect client = form.rect();
    std::vector<QRect> fields;
    for (QWidget* child : form.findChildren<QWidget*>()) {
        if (!child->isVisible())
            continue;
        const QRect box(child->mapTo(&form, QPoint(0, 0)), child->size());
        EXPECT_TRUE(client.contains(box)) << child->objectName().toStdString();
        if (auto* label = qobject_cast<QLabel*>(child); label && !label->wordWrap()) {
            EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
        }
        if (auto* edit = qobject_cast<QLineEdit*>(child)) {
            for (const QRect& other : fields)
                EXPECT_FALSE(box.intersects(other)) << edit->objectName().toStdString();
            fields.push_back(box);
            EXPECT_GE(edit->height(), edit->fontMetrics().height());
        }
    }
    if (const char* file = std::getenv("KELVANE_SCREENSHOT"))
        form.grab().save(file);
}

} // namespace
