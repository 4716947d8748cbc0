// File > Average files in the window: the average shown in V Minus Vlsr alone, baselined and
// saved with its files named; a failure keeps the spectrum shown; a Read ends the average.
#include "app/MainWindowFixture.h"

#include <QAction>
#include <QFile>
#include <QPlainTextEdit>
#include <QRegularExpression>

namespace {

QAction* Item(TForm1& form, const char* name) {
    QAction* item = form.findChild<QAction*>(name);
    EXPECT_NE(item, nullptr) << name;
    return item;
}

TEST_F(MainWindow, AverageFilesIsShownBaselinedAndSavedUntilAFileIsRead) {
    auto form = Shown();
    // Three scans of l = 120 deg on dates months apart, each VLSR its own.
    QStringList scans;
    for (const char* date : {"12/25/09", "03/25/10", "06/25/10"})
        scans << WriteSpectrumFile(Folder.path(), QString("G0_120.0_%1.dat").arg(scans.size() + 1),
                                   std::string("s ") + date + " 22:15:07 value 1.5 n 10 20 30 40",
                                   Hump);

    // A file that cannot be read: nothing is averaged, the spectrum shown stays.
    Dialogs.MultiOpenAnswers << QStringList{scans[0], Folder.filePath("none.dat")};
    Item(*form, "miAverage")->trigger();
    EXPECT_EQ(Dialogs.Messages.value(0),
              "Kelvane: " + Folder.filePath("none.dat") + ": Unable to open none.dat");
    EXPECT_EQ(form->CurrentSession().CurrentFileName(), "line.dat");

    Dialogs.MultiOpenAnswers << scans;
    Item(*form, "miAverage")->trigger();
    EXPECT_EQ(form->CurrentSession().CurrentFileName(), "Average of 3 files");
    EXPECT_EQ(form->ShownMode(), ModeVelocityMinusVlsr);
    EXPECT_TRUE(Item(*form, "miVMinusVlsr")->isChecked());
    for (const char* name : {"miFrequency", "miWavelength", "miVelocity", "miDetails"})
        EXPECT_FALSE(Item(*form, name)->isEnabled()) << name;
    EXPECT_TRUE(form->StatusText(2).endsWith("V Minus Vlsr only until a file is read"))
        << form->StatusText(2).toStdString();
    EXPECT_TRUE(form->Memo->toPlainText().contains("G0_120.0_3.dat"));

    // The band and the fit as on any spectrum, then Save as.
    Dialogs.PopupAnswer = "miPuGenerate";
    DragOverLine(*form);
    Item(*form, "miSubtract")->trigger();
    ASSERT_TRUE(form->CurrentSession().Corrected());
    Dialogs.SaveAnswers << Folder.filePath("average.txt");
    Item(*form, "tbSaveAs")->trigger();
    QFile saved(Folder.filePath("average.txt"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(saved.readAll()).split("\r\n");
    for (const char* start :
         {"Filename = Average of 3 files", "File 1 = G0_120.0_1.dat", "File 3 = G0_120.0_3.dat",
          "File 2 VLSR = ", "Description = Velocity - VLSR (corrected)  v Signal", "a0 = "})
        EXPECT_EQ(lines.filter(QRegularExpression("^" + QRegularExpression::escape(start))).size(),
                  1)
            << start;
    EXPECT_EQ(lines.filter(QRegularExpression("^-?[0-9.e+-]+,")).size(),
              static_cast<qsizetype>(form->CurrentSession().XValues().size()));

    // A file read brings the other modes back.
    Read(*form, Spectrum("after.dat"));
    for (const char* name : {"miFrequency", "miWavelength", "miVelocity", "miDetails"})
        EXPECT_TRUE(Item(*form, name)->isEnabled()) << name;
    EXPECT_TRUE(form->CurrentSession().AveragedFiles().empty());
    EXPECT_TRUE(form->Memo->toPlainText().isEmpty());
}

// Files of two positions, or one file twice, are refused with both named; the spectrum stays.
TEST_F(MainWindow, AverageFilesRefusesOtherPositionsAndOneFileTwice) {
    auto form = Shown();
    const QString at120 = Spectrum("G0_120.0.dat"), at30 = Spectrum("G0_30.0.dat");
    const QString again = Folder.path() + "/./G0_120.0.dat";
    const struct {
        QStringList files;
        QString message;
    } cases[] = {
        {{at120, at30},
         at30 +
             ": l = 30.00\u00b0, b = 0.00\u00b0 lies 90.00\u00b0 from "
             "l = 120.00\u00b0, b = 0.00\u00b0 of " +
             at120},
        {{at120, again}, again + ": the same file as " + at120},
    };
    for (const auto& c : cases) {
        Dialogs.Messages.clear();
        Dialogs.MultiOpenAnswers << c.files;
        Item(*form, "miAverage")->trigger();
        EXPECT_TRUE(Dialogs.Messages.value(0).startsWith("Kelvane: " + c.message))
            << Dialogs.Messages.value(0).toStdString();
        EXPECT_EQ(form->CurrentSession().CurrentFileName(), "line.dat");
    }
}

} // namespace
