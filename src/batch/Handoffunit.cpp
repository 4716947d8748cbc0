#include "batch/Handoffunit.h"

#include <chrono>
#include <iterator>

void THandoff::Starting() {
    const std::lock_guard<std::mutex> lock(Lock);
    ++Running;
}

void THandoff::Ended(const std::string& failure) {
    {
        const std::lock_guard<std::mutex> lock(Lock);
        --Running;
        if (FirstFailure.empty())
            FirstFailure = failure;
    }
    MainWake.notify_one();
}

void THandoff::Deliver(std::vector<TRowMessage>& rows) {
    if (TakeHere) {
        for (TRowMessage& row : rows)
            (*TakeHere)(row);
        rows.clear();
        return;
    }
    {
        const std::lock_guard<std::mutex> lock(Lock);
        std::move(rows.begin(), rows.end(), std::back_inserter(Rows));
    }
    rows.clear();
    MainWake.notify_one();
}

bool THandoff::Serve(const std::function<void(TRowMessage&)>& take) {
    std::unique_lock<std::mutex> lock(Lock);
    MainWake.wait_for(lock, std::chrono::milliseconds(100),
                      [this] { return !Rows.empty() || Running == 0; });
    std::vector<TRowMessage> rows;
    rows.swap(Rows);
    const bool more = Running > 0 || !rows.empty();
    lock.unlock();
    for (TRowMessage& row : rows)
        take(row);
    return more;
}

std::string THandoff::Failure() {
    const std::lock_guard<std::mutex> lock(Lock);
    return FirstFailure;
}

void THandoff::ServeHere(const std::function<void(TRowMessage&)>& take) {
    TakeHere = &take;
}
