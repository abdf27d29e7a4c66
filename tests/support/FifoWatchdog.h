// Frees a reader stuck opening or reading a named pipe (FIFO), so that a
// test of code that must never wait on one fails instead of hanging: after
// a grace time it opens the pipe's writing end and closes it again, over
// and over, which lets a blocked open return and a read see the end.
// fired() says whether it had to.
#pragma once

#if !defined(_WIN32)
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

class FifoWatchdog
{
public:
    explicit FifoWatchdog(std::string fifoPath, std::chrono::milliseconds grace = std::chrono::seconds(5))
        : path(std::move(fifoPath)), worker([this, grace] { watch(grace); })
    {
    }
    ~FifoWatchdog()
    {
        {
            const std::lock_guard<std::mutex> guard(mutex);
            stopped = true;
        }
        wake.notify_all();
        worker.join();
    }
    FifoWatchdog(const FifoWatchdog&) = delete;
    FifoWatchdog& operator=(const FifoWatchdog&) = delete;

    bool fired() const { return hadToFire; }

private:
    void watch(std::chrono::milliseconds grace)
    {
        std::unique_lock<std::mutex> lock(mutex);
        if (wake.wait_for(lock, grace, [this] { return stopped; }))
            return;
        hadToFire = true;
        while (!wake.wait_for(lock, std::chrono::milliseconds(20), [this] { return stopped; }))
        {
            const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0)
                ::close(fd);
        }
    }

    std::string path;
    std::mutex mutex;
    std::condition_variable wake;
    bool stopped = false;
    std::atomic<bool> hadToFire{false};
    std::thread worker;
};
#endif
