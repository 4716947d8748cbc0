// Runs a piece of a test in a forked child: for code that may hang (a FIFO opened for reading)
// and for process-wide settings that must not outlive the case (RLIMIT_FSIZE, SIGXFSZ).
#pragma once

#include <cerrno>
#include <chrono>
#include <csignal>
#include <functional>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

// What work returned in the child, or nothing when the child did not finish within timeout
// (it is then killed), threw or died.
inline std::optional<std::string> RunInChild(const std::function<std::string()>& work,
                                             std::chrono::milliseconds timeout) {
    int ends[2];
    if (::pipe(ends) != 0)
        return std::nullopt;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(ends[0]);
        ::close(ends[1]);
        return std::nullopt;
    }
    if (child == 0) {
        ::close(ends[0]);
        int status = 1;
        try {
            const std::string result = work();
            status = 0;
            for (std::size_t at = 0; at < result.size();) {
                const ssize_t count = ::write(ends[1], result.data() + at, result.size() - at);
                if (count <= 0) {
                    status = 1;
                    break;
                }
                at += static_cast<std::size_t>(count);
            }
        } catch (...) {
        }
        ::_exit(status); // no test framework teardown in the child
    }
    ::close(ends[1]);
    std::string result;
    bool finished = false;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd wait{ends[0], POLLIN, 0};
        const int ready = left.count() > 0 ? ::poll(&wait, 1, static_cast<int>(left.count())) : 0;
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        char buffer[4096];
        const ssize_t count = ::read(ends[0], buffer, sizeof buffer);
        if (count <= 0) {
            finished = count == 0;
            break;
        }
        result.append(buffer, static_cast<std::size_t>(count));
    }
    ::close(ends[0]);
    if (!finished)
        ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!finished || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return result;
}
