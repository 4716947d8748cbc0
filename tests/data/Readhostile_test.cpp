// Hostile files for the reader: devices, FIFOs, sockets, folders, links, sparse files of two
// gigabytes, long lines and NUL bytes.
#include "data/ReaderFixture.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <future>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

// ---- Hostile files --------------------------------------------------------------------------
//
// Each read must come back with its message and keep the spectrum read before. A read runs on a
// thread of its own: one that blocks in the system cannot be stopped, so a read that has not
// returned after a minute ends the test program as failed. Time and memory of these reads are
// measured by the reader benchmarks.

class HostileFiles : public Reader {
protected:
    void SetUp() override {
        Reader::SetUp();
        Session.Read(Write("G5.30_m120.15.dat", GoodHeader + "\n" + Items(400, 7.0)));
        Before = Session.Signal();
    }

    // The message of reading path, or "" when it reads.
    std::string MessageWithin(const std::string& path) {
        std::packaged_task<std::string()> task([this, path] {
            try {
                Session.Read(path);
            } catch (const std::runtime_error& error) {
                return std::string(error.what());
            }
            return std::string();
        });
        std::future<std::string> result = task.get_future();
        std::thread reader(std::move(task));
        if (result.wait_for(std::chrono::minutes(1)) != std::future_status::ready) {
            std::fprintf(stderr, "Reading %s did not return\n", path.c_str());
            std::fflush(stderr);
            std::_Exit(1);
        }
        reader.join();
        return result.get();
    }

    void ExpectKept() {
        EXPECT_EQ(Session.Signal(), Before);
        EXPECT_EQ(Session.CurrentFileName(), "G5.30_m120.15.dat");
        EXPECT_EQ(Session.File()->FilePath, Folder.filePath("G5.30_m120.15.dat").toStdString());
    }

    std::vector<double> Before;
};

TEST_F(HostileFiles, DevicesAreNotOpened) {
    EXPECT_EQ(MessageWithin("/dev/zero"), "Unable to open zero");
    ExpectKept();
    EXPECT_EQ(MessageWithin("/dev/null"), "Unable to open null");
    ExpectKept();
}

TEST_F(HostileFiles, FifoWithoutWriter) {
    const std::string path = Folder.filePath("fifo.dat").toStdString();
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    EXPECT_EQ(MessageWithin(path), "Unable to open fifo.dat");
    ExpectKept();
}

TEST_F(HostileFiles, FifoWithAWriterThatKeepsItOpen) {
    const std::string path = Folder.filePath("pipe.dat").toStdString();
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    // Opened for reading and writing, a FIFO does not wait for a partner (Linux): this end
    // is a writer that stays, with the start of a spectrum already in the pipe.
    const int writer = ::open(path.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    const std::string start = GoodHeader + "\n1 2 3";
    ASSERT_EQ(::write(writer, start.data(), start.size()), static_cast<ssize_t>(start.size()));
    EXPECT_EQ(MessageWithin(path), "Unable to open pipe.dat");
    ::close(writer);
    ExpectKept();
}

TEST_F(HostileFiles, SocketsAndFoldersAreNotOpened) {
    const std::string path = Folder.filePath("socket.dat").toStdString();
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof address.sun_path);
    std::copy(path.begin(), path.end(), address.sun_path);
    ASSERT_EQ(::bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(MessageWithin(path), "Unable to open socket.dat");
    ::close(sock);
    ExpectKept();

    ASSERT_TRUE(QDir(Folder.path()).mkdir("folder.dat"));
    EXPECT_EQ(MessageWithin(Folder.filePath("folder.dat").toStdString()),
              "Unable to open folder.dat");
    ExpectKept();
}

TEST_F(HostileFiles, ALinkToARegularFileReads) {
    const std::string target = Write("target.dat", GoodHeader + "\n" + Items(400, 3.0));
    const std::string link = Folder.filePath("link.dat").toStdString();
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    EXPECT_EQ(MessageWithin(link), "");
    EXPECT_EQ(Session.Signal().front(), 3.0);
    EXPECT_EQ(Session.CurrentFileName(), "link.dat");
}

TEST_F(HostileFiles, SparseFilesOfTwoGigabytes) {
    const struct {
        const char* name;
        std::string start;
        std::string message;
    } cases[] = {
        // All NUL bytes, no line feed: the first byte decides.
        {"zeros.dat", "", "Header does not start with an 's'."},
        // A good header that never ends: the items are past the read limit.
        {"endless.dat", GoodHeader, "wrong number of data items."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Write(c.name, c.start);
        std::error_code error;
        std::filesystem::resize_file(path, std::uintmax_t{2} << 30, error);
        ASSERT_FALSE(error) << error.message();
        EXPECT_EQ(MessageWithin(path), c.message);
        std::filesystem::remove(path);
        ExpectKept();
    }
}

TEST_F(HostileFiles, LongLinesAndNulBytes) {
    const std::string items = "\n" + Items(400);
    const std::string fiftyMegabytes(50u << 20, 'x');
    const struct {
        const char* name;
        std::string content;
        std::string message;
    } cases[] = {
        // The header line alone runs past the read limit, so the items are never reached.
        {"long-header.dat", GoodHeader + fiftyMegabytes + items, "wrong number of data items."},
        {"long-item-line.dat", GoodHeader + "\n" + std::string(50u << 20, ' ') + Items(400),
         "wrong number of data items."},
        {"long-digits.dat", GoodHeader + "\n" + std::string(50u << 20, '7'),
         "wrong number of data items."},
        {"nul-only.dat", std::string(1u << 20, '\0'), "Header does not start with an 's'."},
        {"nul-header.dat", "s" + std::string(60, '\0') + items, "Summat wrong with date."},
        {"nul-short-header.dat", "s" + std::string(38, '\0') + items, "Not enough info in header."},
        {"nul-items.dat", GoodHeader + "\n" + std::string(1000, '\0') + Items(400),
         "wrong number of data items."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Write(c.name, c.content);
        EXPECT_EQ(MessageWithin(path), c.message);
        std::filesystem::remove(path);
        ExpectKept();
    }
}

} // namespace
