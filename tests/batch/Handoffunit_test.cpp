// The worker threads' way to the main thread.
#include "batch/Handoffunit.h"

#include <atomic>
#include <gtest/gtest.h>
#include <set>
#include <stdexcept>
#include <thread>

namespace {

TEST(BatchHandoff, EveryRowArrivesAndPicturesAreDrawnByTheServingThread) {
    THandoff handoff;
    const std::thread::id serving = std::this_thread::get_id();
    std::atomic<int> drawnElsewhere(0);
    const TPictureMaker pictures = [&](const TSpectrumResult& result) {
        if (std::this_thread::get_id() != serving)
            ++drawnElsewhere;
        if (result.FileName == "bad")
            throw std::runtime_error("cannot draw bad");
        return std::vector<TExtraOutput>{{".png", result.FileName}};
    };
    constexpr long workers = 3, files = 200;
    std::vector<std::string> drawn(workers * files); // what each file's picture request gave
    std::vector<std::thread> threads;
    for (long w = 0; w < workers; ++w) {
        handoff.Starting();
        threads.emplace_back([&, w] {
            std::vector<TRowMessage> rows;
            for (long k = 0; k < files; ++k) {
                const long index = w * files + k;
                TSpectrumResult result;
                result.FileName = k == 7 ? "bad" : std::to_string(index);
                try {
                    drawn[index] = handoff.Pictures(result).at(0).Bytes;
                } catch (const std::exception& error) {
                    drawn[index] = error.what();
                }
                rows.emplace_back();
                rows.back().Index = index;
                if (rows.size() == 16)
                    handoff.Deliver(rows);
            }
            handoff.Deliver(rows);
            handoff.Ended(w == 1 ? "stopped" : "");
        });
    }
    std::set<long> received;
    while (handoff.Serve([&](TRowMessage& row) { received.insert(row.Index); }, pictures)) {
    }
    EXPECT_EQ(received.size(), static_cast<std::size_t>(workers * files))
        << "Serve ends only after every worker's rows";
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(drawnElsewhere, 0);
    for (long index = 0; index < workers * files; ++index)
        EXPECT_EQ(drawn[index], index % files == 7 ? "cannot draw bad" : std::to_string(index));
    EXPECT_EQ(handoff.Failure(), "stopped");
}

} // namespace
