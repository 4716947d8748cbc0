// The worker threads' way to the main thread.
#include "batch/Handoffunit.h"

#include <gtest/gtest.h>
#include <set>
#include <thread>

namespace {

TEST(BatchHandoff, EveryRowArrives) {
    THandoff handoff;
    constexpr long workers = 3, files = 200;
    std::vector<std::thread> threads;
    for (long w = 0; w < workers; ++w) {
        handoff.Starting();
        threads.emplace_back([&, w] {
            std::vector<TRowMessage> rows;
            for (long k = 0; k < files; ++k) {
                rows.emplace_back();
                rows.back().Index = w * files + k;
                if (rows.size() == 16)
                    handoff.Deliver(rows);
            }
            handoff.Deliver(rows);
            handoff.Ended(w == 1 ? "stopped" : "");
        });
    }
    std::set<long> received;
    while (handoff.Serve([&](TRowMessage& row) { received.insert(row.Index); })) {
    }
    EXPECT_EQ(received.size(), static_cast<std::size_t>(workers * files))
        << "Serve ends only after every worker's rows";
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(handoff.Failure(), "stopped");
}

} // namespace
