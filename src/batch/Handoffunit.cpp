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

std::vector<TExtraOutput> THandoff::Pictures(const TSpectrumResult& result) {
    if (PicturesHere)
        return (*PicturesHere)(result);
    TRequest request{&result, {}, nullptr, false};
    std::unique_lock<std::mutex> lock(Lock);
    Requests.push_back(&request);
    MainWake.notify_one();
    WorkerWake.wait(lock, [&request] { return request.Done; });
    if (request.Error)
        std::rethrow_exception(request.Error);
    return std::move(request.Pictures);
}

bool THandoff::Serve(const std::function<void(TRowMessage&)>& take, const TPictureMaker& pictures) {
    std::unique_lock<std::mutex> lock(Lock);
    MainWake.wait_for(lock, std::chrono::milliseconds(100),
                      [this] { return !Rows.empty() || !Requests.empty() || Running == 0; });
    std::vector<TRowMessage> rows;
    std::vector<TRequest*> requests;
    rows.swap(Rows);
    requests.swap(Requests);
    const bool more = Running > 0 || !rows.empty() || !requests.empty();
    lock.unlock();
    // The waiting workers first: their pictures hold up their files, the rows hold up nothing.
    for (TRequest* request : requests) {
        try {
            request->Pictures = pictures(*request->Result);
        } catch (...) {
            request->Error = std::current_exception();
        }
        lock.lock();
        request->Done = true;
        lock.unlock();
        WorkerWake.notify_all();
    }
    for (TRowMessage& row : rows)
        take(row);
    return more;
}

std::string THandoff::Failure() {
    const std::lock_guard<std::mutex> lock(Lock);
    return FirstFailure;
}

void THandoff::ServeHere(const std::function<void(TRowMessage&)>& take,
                         const TPictureMaker& pictures) {
    TakeHere = &take;
    PicturesHere = &pictures;
}
