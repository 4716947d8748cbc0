#include "session/Printunit.h"

#include <gtest/gtest.h>

TEST(PrintHeaderLines, WhatIsKnownAndNothingElse) {
    TPrintFacts all;
    all.FileName = "G10.0_m90.0.dat";
    all.FileTime = "25/12/2009 22:15:07";
    all.Ra = "19 hrs 59' 28\"";
    all.Dec = "40 deg 44' 2\"";
    all.Glat = "5 deg 45' 0\"";
    all.Glong = "76 deg 11' 0\"";
    all.Vlsr = "-12.5";
    TPrintFacts galactic;
    galactic.FileName = "a.dat";
    galactic.Glat = "0 deg";
    const struct {
        const char* name;
        TPrintFacts facts;
        std::vector<std::string> expected;
    } cases[] = {
        {"everything",
         all,
         {"G10.0_m90.0.dat", "Observed 25/12/2009 22:15:07",
          "Position Ra 19 hrs 59' 28\", Dec 40 deg 44' 2\", Glat 5 deg 45' 0\", Glong 76 deg 11' "
          "0\"",
          "VLSR -12.5 km/s"}},
        {"a galactic latitude only", galactic, {"a.dat", "Position Glat 0 deg"}},
        {"nothing", TPrintFacts(), {"(no file)"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PrintHeaderLines(c.facts), c.expected) << c.name;
}
