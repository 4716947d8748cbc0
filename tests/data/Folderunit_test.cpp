// The folder's files in name order, the neighbour of a file, and files arriving in a folder.
#include "data/Folderunit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

TEST(Folder, NamesInTheOrderPeopleReadThem) {
    // Each list is in order; every pair is checked both ways.
    const std::vector<std::vector<std::string>> orders = {
        {"G0_30.0.dat", "G0_60.0.dat", "G0_120.0.dat", "G10.0_m90.0.dat"},
        {"scan2.dat", "Scan3.dat", "scan10.dat", "scan010b.dat", "scan100.dat"},
        {"a", "a0", "a1", "b"},
        {"x99999999999999999999", "x100000000000000000000"}, // runs longer than any integer
        {"A", "a"},                                          // equal but for case: byte order
    };
    for (const auto& order : orders)
        for (std::size_t i = 0; i < order.size(); ++i)
            for (std::size_t j = 0; j < order.size(); ++j)
                EXPECT_EQ(NaturalLess(order[i], order[j]), i < j) << order[i] << " " << order[j];
}

TEST(Folder, NeighboursStopAtTheEnds) {
    const std::vector<std::string> names = {"a1", "a2", "a10"};
    const struct {
        const char* Current;
        int Step;
        const char* Expected; // "" for none
    } cases[] = {
        {"a1", 1, "a2"},   {"a2", 1, "a10"},   {"a10", 1, ""},   {"a1", -1, ""},
        {"a10", -1, "a2"}, {"a1", 2, "a10"},   {"a5", 1, "a10"}, {"a5", -1, "a2"}, // a5 was removed
        {"a0", 1, "a1"},   {"a99", -1, "a10"},
    };
    for (const auto& c : cases) {
        const std::optional<std::string> next = NeighbourFile(names, c.Current, c.Step);
        EXPECT_EQ(next.value_or(""), c.Expected) << c.Current << " " << c.Step;
    }
}

TEST(Folder, ListsOnlyTheSpectrumFilesOfTheSuffix) {
    QTemporaryDir folder;
    for (const char* name : {"b10.dat", "b9.DAT", "notes.txt", "c.dat.bak"}) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(name);
    }
    QDir(folder.path()).mkdir("sub.dat");
    const std::string path = QFile::encodeName(folder.path()).toStdString();
    // A name that is not UTF-8 is listed as its bytes, which open it.
    const std::string latin1 = "b\xe9.dat";
    std::FILE* file = std::fopen((path + '/' + latin1).c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    std::vector<std::string> names = SpectrumFilesIn(path, "dat");
    EXPECT_EQ(names.size(), 3u);
    names.erase(std::remove(names.begin(), names.end(), latin1), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"b9.DAT", "b10.dat"}));
    EXPECT_EQ(SpectrumFileSizes(path, "dat").at("b10.dat"), 7);
    EXPECT_TRUE(SpectrumFilesIn(path + "/missing", "dat").empty());
}

// A file is handed out once its size has stayed the same for the settling time; one that does
// not read yet waits until it is written to again.
TEST(Folder, ArrivalsSettleBeforeTheyAreHandedOut) {
    TArrivals arrivals({{"old.dat", 100}});
    const auto look = [&](std::map<std::string, std::int64_t> sizes, std::int64_t now) {
        arrivals.Look(sizes, now);
        return arrivals.Ready(now, 500);
    };
    using Names = std::vector<std::string>;
    EXPECT_EQ(look({{"old.dat", 100}, {"new.dat", 10}}, 0), Names{});
    EXPECT_TRUE(arrivals.Waiting());
    EXPECT_EQ(look({{"old.dat", 100}, {"new.dat", 20}}, 400), Names{}) << "still growing";
    EXPECT_EQ(look({{"old.dat", 100}, {"new.dat", 20}}, 800), Names{}) << "settling since 400";
    EXPECT_EQ(look({{"old.dat", 100}, {"new.dat", 20}}, 900), Names{"new.dat"});
    EXPECT_FALSE(arrivals.Waiting());
    EXPECT_EQ(look({{"old.dat", 100}, {"new.dat", 20}}, 2000), Names{}) << "handed out once";
    arrivals.Rejected("new.dat");
    EXPECT_EQ(look({{"old.dat", 100}, {"new.dat", 20}}, 3000), Names{}) << "rejected: unchanged";
    EXPECT_EQ(look({{"old.dat", 100}, {"new.dat", 30}}, 3100), Names{});
    EXPECT_EQ(look({{"old.dat", 100}, {"new.dat", 30}}, 3600), Names{"new.dat"});
    // A file there before is offered once it is written to; several in name order.
    EXPECT_EQ(look({{"old.dat", 150}, {"new.dat", 30}, {"a.dat", 5}}, 4000), Names{});
    EXPECT_EQ(look({{"old.dat", 150}, {"new.dat", 30}, {"a.dat", 5}}, 4500),
              (Names{"a.dat", "old.dat"}));
    // A file removed and written again arrives again.
    EXPECT_EQ(look({{"old.dat", 150}}, 5000), Names{});
    EXPECT_EQ(look({{"old.dat", 150}, {"new.dat", 30}}, 5000), Names{});
    EXPECT_EQ(look({{"old.dat", 150}, {"new.dat", 30}}, 5500), Names{"new.dat"});
}

} // namespace
