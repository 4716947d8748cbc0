#include "app/MainWindowFixture.h"
#include "data/Readunit.h"
#include "details/Detailsunit.h"
#include "session/Filenameunit.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <cstdio>

namespace {

QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

// printf's %g, as a reader of the file would check it.
std::string G(double value, int digits) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*g", digits, value);
    return text;
}

class Save : public MainWindow {
protected:
    std::unique_ptr<TForm1> ReadGenerateSubtract(bool subtract) {
        Dialogs.ModalResult = QDialog::Accepted; // the details as the dialog starts
        auto form = Shown([](int i) { return 1234567.0 + Hump(i); });
        Dialogs.PopupAnswer = "miPuGenerate";
        DragOverLine(*form);
        if (subtract)
            form->miSubtract->trigger();
        return form;
    }

    QList<QByteArray> SavedLines(TForm1& form, const QString& name = "out") {
        const QString path = Folder.filePath(name);
        Dialogs.SaveAnswers << path;
        form.miSaveAs->trigger();
        QByteArray bytes = Contents(path);
        EXPECT_TRUE(bytes.endsWith("\r\n"));
        EXPECT_EQ(bytes.count("\r\n"), bytes.count('\n')) << "every line ends with CR LF";
        QList<QByteArray> lines = bytes.split('\n');
        lines.removeLast();
        for (QByteArray& line : lines)
            line.chop(1);
        return lines;
    }
};

} // namespace

TEST_F(Save, SavedAfterSubtractionWithDetails) {
    auto form = ReadGenerateSubtract(true);
    const QList<QByteArray> lines = SavedLines(*form);
    ASSERT_EQ(lines.size(), 12 + 4 + 400) << "12 header lines, 4 coefficients, 400 channels";
    const std::vector<std::string> header = {
        "Filename = line.dat",
        "Description = Frequency (corrected)  v Signal",
        "a0 = " + G(form->CurrentSession().Coefficients()[0], 6),
        "a1 = " + G(form->CurrentSession().Coefficients()[1], 6),
        "a2 = " + G(form->CurrentSession().Coefficients()[2], 6),
        "a3 = " + G(form->CurrentSession().Coefficients()[3], 6),
        "Correlation = " + G(form->CurrentSession().Correlation(), 6),
        "VLSR = " + G(form->CurrentSession().Vlsr(), 6),
        "Ra = " + form->Details()->State().RightAscension().ToText(),
        "Dec = " + form->Details()->State().Declination().ToText(true),
        "GLat = 0\u00b0 0' 0\"",
        "GLong = 0\u00b0 0' 0\"",
        "Latitude = 54\u00b0 8' 54\"",
        "Longitude = -2\u00b0 17' 41\"",
        "Elevation = 200",
    };
    for (std::size_t i = 0; i < header.size(); ++i)
        EXPECT_EQ(lines[int(i)].toStdString(), header[i]) << "line " << i + 1;
    EXPECT_TRUE(lines[15].startsWith("File time = "));
    EXPECT_EQ(lines[16].toStdString(), "-1000000," + G(form->CurrentSession().Signal()[0], 10));
    EXPECT_EQ(lines[415].toStdString(), "994998," + G(form->CurrentSession().Signal()[399], 10));
}

TEST_F(Save, SixDigitsInTheHeaderTenInTheData) {
    auto form = ReadGenerateSubtract(false);
    // No subtraction: no coefficient lines, and the signal as read (1234567 and more).
    const QList<QByteArray> lines = SavedLines(*form);
    ASSERT_EQ(lines.size(), 12 + 400);
    EXPECT_EQ(lines[1], "Description = Frequency v Signal");
    EXPECT_TRUE(lines[2].startsWith("Correlation = "));
    EXPECT_EQ(lines[12].toStdString(), "-1000000," + G(1234567.0 + Hump(0), 10));
    EXPECT_TRUE(lines[12].startsWith("-1000000,1234667")) << lines[12].toStdString();
}

TEST_F(Save, ABadElevationOrAnUnwritablePathKeepTheOldFile) {
    // Details never applied: the header takes what the dialog offered after the Read.
    auto form = Shown();
    const QString path = Folder.filePath("kept.txt");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("old content\n");
    }
    form->Details()->edElev->setText("abc");
    Read(*form, Spectrum("line.dat"));
    Dialogs.SaveAnswers << path;
    form->miSaveAs->trigger();
    EXPECT_EQ(Dialogs.Errors, QStringList{"Kelvane: 'abc' is not a valid floating point value"});
    EXPECT_EQ(Contents(path), "old content\n");

    form->Details()->edElev->setText("200");
    Read(*form, Spectrum("line.dat"));
    Dialogs.Errors.clear();
    ASSERT_TRUE(QDir(Folder.path()).mkdir("folder"));
    Dialogs.SaveAnswers << Folder.filePath("folder");
    form->miSaveAs->trigger();
    ASSERT_EQ(Dialogs.Errors.size(), 1);
    EXPECT_TRUE(Dialogs.Errors[0].contains("folder")) << Dialogs.Errors[0].toStdString();
    EXPECT_TRUE(QFileInfo(Folder.filePath("folder")).isDir());

    // Saved twice under one name: replaced without a question.
    Dialogs.SaveAnswers << path << path;
    form->miSaveAs->trigger();
    form->miSaveAs->trigger();
    EXPECT_TRUE(Contents(path).startsWith("Filename = line.dat\r\n"));
}

TEST_F(Save, TheHeaderHoldsWhatWasAppliedToThisSpectrum) {
    Dialogs.ModalResult = QDialog::Accepted;
    Dialogs.OnModal = [](QDialog& dialog) {
        static_cast<TDetailsForm&>(dialog).edRaHrs->setText("8");
    };
    auto form = Shown();
    const double applied = form->CurrentSession().Vlsr();
    ASSERT_NE(applied, 0.0);
    // Edits abandoned with No: neither the RA typed nor an elevation that is not a number
    // reach the header, which keeps what the side panel shows.
    Dialogs.ModalResult = QDialog::Rejected;
    Dialogs.OnModal = [](QDialog& dialog) {
        auto& details = static_cast<TDetailsForm&>(dialog);
        details.edRaHrs->setText("5");
        details.edElev->setText("abc");
    };
    form->miDetails->trigger();
    EXPECT_EQ(form->Details()->edRaHrs->text(), "5") << "the dialog keeps its fields";
    QList<QByteArray> lines = SavedLines(*form);
    EXPECT_TRUE(Dialogs.Errors.isEmpty()) << Dialogs.Errors.join('\n').toStdString();
    ASSERT_EQ(lines.size(), 12 + 400);
    EXPECT_EQ(lines[3].toStdString(), "VLSR = " + G(applied, 6));
    EXPECT_EQ(lines[4].toStdString(), "Ra = " + form->lblRa->text().toStdString());
    EXPECT_TRUE(lines[4].startsWith("Ra = 8 hrs"));
    EXPECT_EQ(lines[10], "Elevation = 200");

    // A new spectrum whose details are not applied is saved with no VLSR, not the old one.
    form->miVMinusVlsr->trigger();
    form->Details()->edElev->setText("200");
    Read(*form, Spectrum("next.dat"));
    lines = SavedLines(*form);
    ASSERT_EQ(lines.size(), 12 + 400);
    EXPECT_EQ(lines[1], "Description = Velocity v Signal");
    EXPECT_EQ(lines[3], "VLSR = 0");
    EXPECT_EQ(lines[12].toStdString(),
              G(Velocities[0], 10) + "," + G(form->CurrentSession().Signal()[0], 10));
}

TEST_F(Save, NothingOfThePreviousSpectrumIsShownOrSavedAsThisOnes) {
    Dialogs.ModalResult = QDialog::Accepted;
    auto form = Open();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    Read(*form, Spectrum("G0_30.0.dat"));
    const QString firstRa = form->lblRa->text();
    form->miVelocity->trigger();
    Dialogs.PopupAnswer = "miPuGenerate";
    DragOverLine(*form);
    form->miMeasureLine->trigger();
    ASSERT_NE(form->lblCorr->text(), NoCorrelationText);
    ASSERT_TRUE(form->Memo->toPlainText().contains("Line"));

    // The next file's dialog is answered No after a position was typed into it.
    Dialogs.ModalResult = QDialog::Rejected;
    Dialogs.OnModal = [](QDialog& dialog) {
        static_cast<TDetailsForm&>(dialog).edRaHrs->setText("5");
    };
    Read(*form, Spectrum("G0_60.0.dat"));
    EXPECT_EQ(form->lblCorr->text(), NoCorrelationText);
    EXPECT_EQ(form->Memo->toPlainText(), "");
    EXPECT_FALSE(form->miSubtract->isEnabled());
    EXPECT_EQ(form->lblRa->text(), firstRa) << "the panel shows the details last applied";
    const QPalette stale = form->edVlsr->palette();
    EXPECT_EQ(stale.color(QPalette::Active, QPalette::Text),
              stale.color(QPalette::Disabled, QPalette::Text));
    EXPECT_TRUE(form->edVlsr->toolTip().contains("G0_30.0.dat"))
        << form->edVlsr->toolTip().toStdString();

    // Saved: no fit, and one position, that of l = 60 deg as the dialog offered it.
    TDetailsState offered = TDetailsState::Create(form->StationSettings());
    offered.FormShow(true, TGLatitude(TAngle(0.0)), TGLongitude(TAngle(60.0)));
    const QList<QByteArray> lines = SavedLines(*form);
    ASSERT_EQ(lines.size(), 12 + 400);
    EXPECT_EQ(lines[2], "Correlation = 0");
    EXPECT_EQ(lines[3], "VLSR = 0");
    EXPECT_EQ(lines[4].toStdString(), "Ra = " + offered.RightAscension().ToText());
    EXPECT_NE(lines[4], "Ra = " + firstRa.toUtf8());
    EXPECT_EQ(lines[5].toStdString(), "Dec = " + offered.Declination().ToText(true));
    EXPECT_EQ(lines[7], "GLong = 60\u00b0 0' 0\"");

    // Applied to this spectrum, its VLSR is shown as usual again.
    Dialogs.ModalResult = QDialog::Accepted;
    Dialogs.OnModal = nullptr;
    form->miDetails->trigger();
    EXPECT_NE(form->edVlsr->palette().color(QPalette::Active, QPalette::Text),
              stale.color(QPalette::Disabled, QPalette::Text));
    EXPECT_FALSE(form->edVlsr->toolTip().contains("G0_30.0.dat"));
}

TEST_F(Save, NothingToSaveBeforeARead) {
    auto form = Open();
    EXPECT_FALSE(form->miSaveAs->isEnabled());
    EXPECT_FALSE(form->tbSaveAs->isEnabled());
    Dialogs.SaveAnswers << Folder.filePath("x.txt");
    form->miSaveAsClick();
    EXPECT_FALSE(QFile::exists(Folder.filePath("x.txt")));
    Read(*form, Spectrum("a.dat"));
    EXPECT_TRUE(form->miSaveAs->isEnabled());
    EXPECT_TRUE(form->tbSaveAs->isEnabled());
}

TEST_F(Save, AboutBoxAndCaption) {
    auto form = Open();
    EXPECT_EQ(form->windowTitle(), "Kelvane Version 2.8");
    form->miAbout->trigger();
    QWidget* box = QApplication::activeModalWidget();
    EXPECT_EQ(box, nullptr) << "the about box does not block the main window";
    QWidget* about = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->windowTitle() == "About Kelvane" && w->isVisible())
            about = w;
    ASSERT_NE(about, nullptr);
    form->miAbout->trigger();
    int shown = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        shown += w->windowTitle() == "About Kelvane" && w->isVisible();
    EXPECT_EQ(shown, 1) << "shown twice is the same box";
}
