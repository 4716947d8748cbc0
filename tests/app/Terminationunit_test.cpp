#include "app/Terminationunit.h"

#include <QSignalSpy>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>

namespace {

volatile std::sig_atomic_t SentinelCalls = 0;

extern "C" void Sentinel(int) {
    SentinelCalls = SentinelCalls + 1;
}

// Sets one disposition for a signal and puts the one before back at the end of the test.
class Disposition {
public:
    Disposition(int signal, void (*handler)(int)) : Signal(signal) {
        struct sigaction action {};
        action.sa_handler = handler;
        sigemptyset(&action.sa_mask);
        sigaction(Signal, &action, &Previous);
    }
    ~Disposition() { sigaction(Signal, &Previous, nullptr); }

private:
    int Signal;
    struct sigaction Previous {};
};

void (*CurrentHandler(int signal))(int) {
    struct sigaction current {};
    sigaction(signal, nullptr, &current);
    return current.sa_handler;
}

} // namespace

TEST(TerminationSignals, ReportsEachSignalThroughTheEventLoop) {
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        // Should the watcher not catch it, the sentinel counts the signal instead of letting
        // it end the test program.
        Disposition guard(signal, Sentinel);
        SentinelCalls = 0;
        TTerminationSignals watcher;
        QSignalSpy received(&watcher, &TTerminationSignals::Received);
        std::raise(signal);
        ASSERT_TRUE(QTest::qWaitFor([&] { return received.count() > 0; }, 2000));
        EXPECT_EQ(received.count(), 1);
        EXPECT_EQ(received.at(0).at(0).toInt(), signal);
        EXPECT_EQ(SentinelCalls, 0);
    }
}

TEST(TerminationSignals, TwoSignalsAreTwoReports) {
    Disposition term(SIGTERM, Sentinel);
    Disposition interrupt(SIGINT, Sentinel);
    TTerminationSignals watcher;
    QSignalSpy received(&watcher, &TTerminationSignals::Received);
    std::raise(SIGTERM);
    std::raise(SIGINT);
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.count() == 2; }, 2000));
    EXPECT_EQ(received.at(0).at(0).toInt(), SIGTERM);
    EXPECT_EQ(received.at(1).at(0).toInt(), SIGINT);
}

TEST(TerminationSignals, GivesTheSignalsBackWhenDestroyed) {
    Disposition term(SIGTERM, Sentinel);
    Disposition interrupt(SIGINT, Sentinel);
    {
        TTerminationSignals watcher;
        EXPECT_NE(CurrentHandler(SIGTERM), &Sentinel);
        EXPECT_NE(CurrentHandler(SIGINT), &Sentinel);
    }
    EXPECT_EQ(CurrentHandler(SIGTERM), &Sentinel);
    EXPECT_EQ(CurrentHandler(SIGINT), &Sentinel);
    SentinelCalls = 0;
    std::raise(SIGTERM);
    EXPECT_EQ(SentinelCalls, 1);
}

TEST(TerminationSignals, LeavesAnIgnoredSignalIgnored) {
    // A program started in the background by a shell gets SIGINT ignored.
    Disposition ignored(SIGINT, SIG_IGN);
    TTerminationSignals watcher;
    QSignalSpy received(&watcher, &TTerminationSignals::Received);
    EXPECT_EQ(CurrentHandler(SIGINT), SIG_IGN);
    std::raise(SIGINT);
    QTest::qWait(50);
    EXPECT_EQ(received.count(), 0);
}

TEST(TerminationSignals, OnlyTheFirstWatcherCatches) {
    Disposition guard(SIGTERM, Sentinel);
    TTerminationSignals first;
    QSignalSpy firstReceived(&first, &TTerminationSignals::Received);
    {
        TTerminationSignals second;
        QSignalSpy secondReceived(&second, &TTerminationSignals::Received);
        std::raise(SIGTERM);
        ASSERT_TRUE(QTest::qWaitFor([&] { return firstReceived.count() == 1; }, 2000));
        EXPECT_EQ(secondReceived.count(), 0);
    }
    // The second one's end leaves the first one catching.
    std::raise(SIGTERM);
    ASSERT_TRUE(QTest::qWaitFor([&] { return firstReceived.count() == 2; }, 2000));
}
