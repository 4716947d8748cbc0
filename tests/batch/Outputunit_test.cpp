// Outputs of a batch run: whole or absent, never replaced unasked, no temporary file left.
#include "batch/Outputunit.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class Outputs : public ::testing::Test {
protected:
    QTemporaryDir Folder;

    std::string Path(const char* name) const { return Folder.filePath(name).toStdString(); }

    static std::string Contents(const std::string& path) {
        QFile file(QString::fromStdString(path));
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "(missing)";
    }

    static void Write(const std::string& path, const std::string& text) {
        QFile file(QString::fromStdString(path));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.data(), static_cast<qint64>(text.size()));
    }

    // Names in the folder, hidden ones (temporary files) included.
    QStringList Names() const {
        return QDir(Folder.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
};

TEST_F(Outputs, AppearOnlyWhenCommitted) {
    TOutputGroup group(false);
    group.Add(Path("a.txt"), "first\r\n", 1);
    group.Add(Path("b.png"), std::string("\x89PNG\0bytes", 10), 2);
    EXPECT_EQ(group.Pending(), 2u);
    EXPECT_FALSE(QFile::exists(Folder.filePath("a.txt"))) << "not before the commit";
    EXPECT_EQ(Names().size(), 2) << "two temporary files";
    EXPECT_TRUE(group.Commit().empty());
    EXPECT_EQ(Names(), (QStringList{"a.txt", "b.png"}));
    EXPECT_EQ(Contents(Path("a.txt")), "first\r\n");
    EXPECT_EQ(Contents(Path("b.png")), std::string("\x89PNG\0bytes", 10));
    // The permissions of a new file: 0666 less the umask, as any program's new file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat status {};
    ASSERT_EQ(::stat(Path("a.txt").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0666 & ~mask);
}

TEST_F(Outputs, AnExistingFileIsReplacedOnlyWhenAllowed) {
    Write(Path("a.txt"), "old");
    {
        TOutputGroup keep(false);
        keep.Add(Path("a.txt"), "new", 7);
        const std::vector<TOutputFailure> failures = keep.Commit();
        ASSERT_EQ(failures.size(), 1u);
        EXPECT_EQ(failures[0].Owner, 7);
        EXPECT_EQ(failures[0].Error,
                  "Cannot save \"" + Path("a.txt") + "\": the file already exists");
        EXPECT_EQ(Contents(Path("a.txt")), "old");
        EXPECT_EQ(Names(), QStringList{"a.txt"}) << "the temporary file is gone";
    }
    TOutputGroup replace(true);
    replace.Add(Path("a.txt"), "new", 7);
    EXPECT_TRUE(replace.Commit().empty());
    EXPECT_EQ(Contents(Path("a.txt")), "new");
}

TEST_F(Outputs, DiscardedOutputsLeaveNothing) {
    {
        TOutputGroup group(false);
        group.Add(Path("a.txt"), "a", 1);
        group.Add(Path("a.png"), "a", 1);
        group.Add(Path("b.txt"), "b", 2);
        group.Discard(1); // file 1 failed after its text was written
        EXPECT_EQ(group.Pending(), 1u);
        EXPECT_TRUE(group.Commit().empty());
        group.Add(Path("c.txt"), "c", 3);
    } // the group ends without a commit: c.txt is dropped
    EXPECT_EQ(Names(), QStringList{"b.txt"});
}

TEST_F(Outputs, AFolderThatIsNotThereFailsAtOnce) {
    TOutputGroup group(false);
    try {
        group.Add(Path("missing/a.txt"), "a", 1);
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot save \"" + Path("missing/a.txt") + "\": No such file or directory");
    }
    EXPECT_EQ(group.Pending(), 0u);
}

TEST_F(Outputs, AStreamedOutputIsWholeOrAbsent) {
    std::string expected;
    {
        TStreamedOutput summary;
        ASSERT_TRUE(summary.Open(Path("summary.csv"), false));
        for (int i = 0; i < 5000; ++i) { // more than one buffer's worth
            const std::string row = "row " + std::to_string(i) + ",x\r\n";
            expected += row;
            ASSERT_TRUE(summary.Append(row));
        }
        EXPECT_FALSE(QFile::exists(Folder.filePath("summary.csv")));
        ASSERT_TRUE(summary.Commit()) << summary.Error();
    }
    EXPECT_EQ(Contents(Path("summary.csv")), expected);

    {
        TStreamedOutput interrupted;
        ASSERT_TRUE(interrupted.Open(Path("other.csv"), false));
        interrupted.Append("half");
    } // never committed
    EXPECT_EQ(Names(), QStringList{"summary.csv"});

    TStreamedOutput again;
    ASSERT_TRUE(again.Open(Path("summary.csv"), false));
    again.Append("new");
    EXPECT_FALSE(again.Commit());
    EXPECT_EQ(again.Error(),
              "Cannot save \"" + Path("summary.csv") + "\": the file already exists");
    EXPECT_EQ(Contents(Path("summary.csv")), expected);
    EXPECT_EQ(Names(), QStringList{"summary.csv"});
}

TEST_F(Outputs, ANameThatFitsTheFolderFitsItsTemporaryFile) {
    // Linux's NAME_MAX is 255 bytes: every name up to it is written, through a temporary
    // file whose own name must fit as well.
    for (const std::size_t length : {200u, 230u, 250u, 255u}) {
        SCOPED_TRACE(length);
        const std::string name =
            Folder.path().toStdString() + "/" + std::string(length - 4, 'g') + ".txt";
        TOutputGroup group(false);
        group.Add(name, "text", 1);
        EXPECT_TRUE(group.Commit().empty());
        EXPECT_EQ(Contents(name), "text");
        const std::string summary =
            Folder.path().toStdString() + "/" + std::string(length - 4, 's') + ".csv";
        TStreamedOutput streamed;
        ASSERT_TRUE(streamed.Open(summary, false)) << streamed.Error();
        streamed.Append("row");
        EXPECT_TRUE(streamed.Commit()) << streamed.Error();
        EXPECT_EQ(Contents(summary), "row");
    }
    EXPECT_EQ(Names().filter(QRegularExpression("^\\.")), QStringList());
}

TEST_F(Outputs, TheTemporaryFilesOfEndedProcessesAreRemoved) {
    // A pid no process has: a child that has ended and been waited for.
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ASSERT_GT(child, 0);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    const std::string ended = std::to_string(child), live = std::to_string(::getppid());
    const std::string own = std::to_string(::getpid()), ours = TemporaryPrefix();
    ASSERT_NE(ours, ".kelvane-00000000-");
    const struct {
        std::string Name;
        bool Old;     // last written in 1970, before any process now running began
        bool Removed; // stale: no process has its pid, or the one that has it began later
    } cases[] = {
        {ours + ended + "-1a.tmp", false, true},
        {ours + live + "-2b.tmp", false, false}, // its process may still be writing it
        {ours + live + "-3c.tmp", true, true},   // the pid was taken again since
        {ours + own + "-4d.tmp", true, false},   // this process's own
        {".kelvane-00000000-" + ended + "-5e.tmp", false, false}, // another host's
        {ours + ended + "-6f.txt", false, false},
        {ours + ended + "-zz.tmp", false, false},
        {ours + "0" + ended + "-1a.tmp", false, false},
        {".report.csv", true, false},
    };
    for (const auto& c : cases) {
        Write(Path(c.Name.c_str()), "x");
        const timespec old[2] = {{1, 0}, {1, 0}};
        if (c.Old) {
            ASSERT_EQ(::utimensat(AT_FDCWD, Path(c.Name.c_str()).c_str(), old, 0), 0);
        }
    }
    EXPECT_EQ(RemoveStaleTemporaries(Folder.path().toStdString()), 2);
    for (const auto& c : cases)
        EXPECT_EQ(QFile::exists(Folder.filePath(QString::fromStdString(c.Name))), !c.Removed)
            << c.Name;
}

} // namespace
