#include "app/MainWindowFixture.h"
#include "astro/Vlsrunit.h"
#include "data/Readunit.h"
#include "details/Detailsunit.h"
#include "numeric/Numbertextunit.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace {

class Details : public MainWindow {
protected:
    // Types the position 19 59 28, +40 44 2 into the open dialog, then answers OK.
    void AnswerOkWithPosition() {
        Dialogs.ModalResult = QDialog::Accepted;
        Dialogs.OnModal = [](QDialog& dialog) {
            auto& details = static_cast<TDetailsForm&>(dialog);
            for (auto [field, text] : {std::pair{details.edRaHrs, "19"},
                                       {details.edRaMin, "59"},
                                       {details.edRaSec, "28"},
                                       {details.edDecDeg, "40"},
                                       {details.edDecMin, "44"},
                                       {details.edDecSec, "2"}}) {
                field->selectAll();
                QTest::keyClicks(field, text);
            }
        };
    }
};

} // namespace

TEST_F(Details, EveryReadOpensTheDialogCaptionedWithTheBareName) {
    auto form = Open();
    Read(*form, Spectrum("G5.30_m120.15.dat"));
    EXPECT_EQ(Dialogs.ModalCount, 1);
    ASSERT_NE(form->Details(), nullptr);
    EXPECT_EQ(form->Details()->windowTitle(), "G5.30_m120.15.dat");
    TDetailsForm* first = form->Details();
    Read(*form, Spectrum("other.dat"));
    EXPECT_EQ(Dialogs.ModalCount, 2);
    EXPECT_EQ(form->Details(), first) << "one dialog for the whole run";
    EXPECT_EQ(first->windowTitle(), "other.dat");
    form->miDetails->trigger();
    EXPECT_EQ(Dialogs.ModalCount, 3) << "Enter other details shows it again";
}

TEST_F(Details, CancelLeavesThePanelAndTheAxisAlone) {
    auto form = Open();
    Read(*form, Spectrum("a.dat"));
    EXPECT_EQ(form->edVlsr->text(), "-----");
    EXPECT_TRUE(form->lblRa->text().isEmpty());
    EXPECT_TRUE(form->lblFiletime->text().isEmpty());
    EXPECT_FALSE(form->miVMinusVlsr->isEnabled());
}

TEST_F(Details, OkFillsThePanelAndTheVlsrAxis) {
    auto form = Open();
    AnswerOkWithPosition();
    Read(*form, Spectrum("a.dat"));
    EXPECT_TRUE(Dialogs.Errors.isEmpty());
    EXPECT_EQ(form->lblRa->text(), "19 hrs 59' 28\"");
    EXPECT_EQ(form->lblDec->text(), "40\u00b0 44' 2\"");
    EXPECT_EQ(form->lblLat->text(), "54\u00b0 8' 54\"") << "the station's default site";
    EXPECT_EQ(form->lblLong->text(), "-2\u00b0 17' 41\"");
    EXPECT_EQ(form->lblElev->text(), "200");
    EXPECT_FALSE(form->lblFiletime->text().isEmpty());
    EXPECT_FALSE(form->lblGlat->text().isEmpty());
    // The file is dated 25 December 2009, 22:15:07 UT; the correction is that of the Earth's
    // motion away from or towards Cygnus, a few tens of km/s at most.
    EXPECT_NE(form->CurrentSession().Vlsr(), 0.0);
    EXPECT_LT(std::fabs(form->CurrentSession().Vlsr()), 50.0);
    EXPECT_EQ(form->edVlsr->text().toStdString(), FloatToText(form->CurrentSession().Vlsr()));
    EXPECT_FALSE(form->edVlsr->toolTip().isEmpty()) << "the terms of the VLSR";
    ASSERT_EQ(form->CurrentSession().VelocitiesMinusVlsr().size(), Velocities.size());
    for (std::size_t i = 0; i < Velocities.size(); i += 57)
        EXPECT_DOUBLE_EQ(form->CurrentSession().VelocitiesMinusVlsr()[i],
                         Velocities[i] - form->CurrentSession().Vlsr());
    EXPECT_TRUE(form->miVMinusVlsr->isEnabled());

    // The same details again give the same text; a new Read disables the mode again.
    const QString vlsr = form->edVlsr->text();
    Dialogs.OnModal = nullptr;
    form->miDetails->trigger();
    EXPECT_EQ(form->edVlsr->text(), vlsr);
    Dialogs.ModalResult = QDialog::Rejected;
    Read(*form, Spectrum("b.dat"));
    EXPECT_FALSE(form->miVMinusVlsr->isEnabled());
    EXPECT_EQ(form->edVlsr->text(), vlsr) << "the old VLSR stays until the next OK";
}

TEST_F(Details, ANewSpectrumIsNeverDrawnAgainstTheOldVlsr) {
    auto form = Open();
    AnswerOkWithPosition();
    Read(*form, Spectrum("a.dat"));
    form->miVMinusVlsr->trigger();
    ASSERT_EQ(form->ShownMode(), ModeVelocityMinusVlsr);
    Dialogs.ModalResult = QDialog::Rejected;
    Read(*form, Spectrum("b.dat"));
    // Until b.dat has details of its own, the choice shows the plain velocity axis.
    EXPECT_EQ(form->ShownMode(), ModeVelocity);
    EXPECT_TRUE(form->miVelocity->isChecked());
    EXPECT_FALSE(form->miVMinusVlsr->isChecked());
    EXPECT_EQ(form->CurrentSession().XValues(), Velocities);
    EXPECT_EQ(form->Title(), "Velocity v Signal");
    // Applying them brings the chosen axis back.
    Dialogs.ModalResult = QDialog::Accepted;
    form->miDetails->trigger();
    EXPECT_EQ(form->ShownMode(), ModeVelocityMinusVlsr);
    EXPECT_TRUE(form->miVMinusVlsr->isChecked());
    EXPECT_DOUBLE_EQ(form->CurrentSession().XValues()[0],
                     Velocities[0] - form->CurrentSession().Vlsr());
    EXPECT_EQ(form->Title(), "Velocity - VLSR v Signal");
}

TEST_F(Details, TheFileNamePositionReachesTheDialog) {
    auto form = Open();
    Dialogs.OnModal = [](QDialog& dialog) { static_cast<TDetailsForm&>(dialog).FormShow(); };
    Read(*form, Spectrum("G5.30_m120.15.dat"));
    const TDetailsForm* details = form->Details();
    EXPECT_EQ(details->edBiiDeg->text(), "5");
    EXPECT_EQ(details->edBiiMin->text(), "30");
    EXPECT_EQ(details->edLiiDeg->text(), "239") << "-120 15' in the 0..360 form";
    EXPECT_EQ(details->edLiiMin->text(), "45");
}

TEST_F(Details, AnElevationThatIsNotANumberAppliesNothing) {
    auto form = Open();
    AnswerOkWithPosition();
    Read(*form, Spectrum("a.dat"));
    const QString vlsr = form->edVlsr->text();
    const QString ra = form->lblRa->text();
    Dialogs.OnModal = [](QDialog& dialog) {
        auto& details = static_cast<TDetailsForm&>(dialog);
        details.edElev->setText("abc");
        details.edRaHrs->setText("3");
    };
    form->miDetails->trigger();
    EXPECT_EQ(Dialogs.Errors, QStringList{"Kelvane: 'abc' is not a valid floating point value"});
    EXPECT_EQ(form->edVlsr->text(), vlsr);
    EXPECT_EQ(form->lblRa->text(), ra);
}

TEST_F(Details, NewDetailsRedrawTheVlsrAxis) {
    auto form = Open();
    AnswerOkWithPosition();
    Read(*form, Spectrum("a.dat"));
    form->miVMinusVlsr->trigger();
    ASSERT_EQ(form->DisplayMode(), ModeVelocityMinusVlsr);
    ASSERT_DOUBLE_EQ(form->CurrentSession().XValues()[0],
                     Velocities[0] - form->CurrentSession().Vlsr());
    // Another position on the other side of the sky changes the VLSR by many km/s.
    Dialogs.OnModal = [](QDialog& dialog) {
        auto& details = static_cast<TDetailsForm&>(dialog);
        details.edRaHrs->setText("7");
        details.edDecDeg->setText("-40");
    };
    const double oldVlsr = form->CurrentSession().Vlsr();
    form->miDetails->trigger();
    ASSERT_GT(std::fabs(form->CurrentSession().Vlsr() - oldVlsr), 1.0);
    EXPECT_DOUBLE_EQ(form->CurrentSession().XValues()[0],
                     Velocities[0] - form->CurrentSession().Vlsr())
        << "the graph shows the new axis";
}
