#pragma once

#include <algorithm>
#include <atomic>
#include <exception>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

// Runs work over the rows of a map in small blocks on several threads. The calling thread
// takes blocks too and runs the event pump after each of its blocks, so the user interface is
// served every few milliseconds however large the map is.
class RowScheduler
{
public:
    RowScheduler(int threads, std::function<void()> pump)
        : threadCount(std::max(1, threads)), eventPump(std::move(pump))
    {
    }

    // Rows per block; small enough that a block of the widest map takes a few milliseconds.
    static constexpr int blockRows = 4;

    // Calls work(firstRow, endRow) for consecutive blocks until every row is done. An
    // exception in any block is rethrown on the calling thread after all threads stopped.
    template <typename Work> void run(int rows, Work &&work)
    {
        std::atomic<int> next{0};
        std::exception_ptr failure;
        std::mutex failureLock;
        auto takeBlock = [&]() -> bool {
            const int first = next.fetch_add(blockRows);
            if (first >= rows)
                return false;
            try {
                work(first, std::min(first + blockRows, rows));
            } catch (...) {
                std::lock_guard<std::mutex> guard(failureLock);
                if (!failure)
                    failure = std::current_exception();
                next.store(rows);
            }
            return true;
        };
        std::vector<std::thread> helpers;
        const int extra = std::min(threadCount - 1, (rows + blockRows - 1) / blockRows - 1);
        for (int t = 0; t < extra; ++t) {
            try {
                helpers.emplace_back([&] {
                    while (takeBlock()) {
                    }
                });
            } catch (const std::system_error &) {
                break; // no more threads to be had: the started ones and this one carry on
            }
        }
        while (takeBlock())
            eventPump();
        for (std::thread &helper : helpers)
            helper.join();
        if (failure)
            std::rethrow_exception(failure);
    }

private:
    int threadCount;
    std::function<void()> eventPump;
};
