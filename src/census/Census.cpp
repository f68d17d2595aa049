#include "census/Census.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "census/CensusWorker.h"

namespace quorvel {

std::vector<CensusRow> runCensus(const StepGraphs& graphs, const CensusPlan& plan,
                                 const std::vector<uint64_t>& positions, int32_t maxSteps,
                                 int32_t jobs, const CensusProgress& progress,
                                 const std::vector<Placement>* objectPlacements) {
    std::vector<CensusRow> rows(positions.size());
    // Each run's objects until they are handed on; empty when the census does not look.
    std::vector<std::vector<ObjectSighting>> objects(objectPlacements ? rows.size() : 0);
    // Set by a worker once rows[index] is complete, read by the calling thread that passes the
    // finished prefix on.
    const std::unique_ptr<std::atomic<bool>[]> finishedRows(new std::atomic<bool>[rows.size()]);
    for (std::size_t index = 0; index < rows.size(); ++index) {
        finishedRows[index] = false;
    }
    std::size_t delivered = 0;
    const auto deliverFinished = [&] {
        while (delivered < rows.size() && finishedRows[delivered]) {
            if (progress.rowDone) {
                progress.rowDone(rows[delivered]);
            }
            if (!objects.empty()) {
                if (progress.objectsDone) {
                    progress.objectsDone(rows[delivered], objects[delivered]);
                }
                std::vector<ObjectSighting>().swap(objects[delivered]);
            }
            ++delivered;
        }
    };
    const auto stopping = [&] { return progress.stopRequested && progress.stopRequested(); };
    std::atomic<std::size_t> next{0};
    std::atomic<uint64_t> done{0};
    std::atomic<bool> failed{false};
    std::mutex mutex;
    std::condition_variable finished;
    std::exception_ptr error;
    std::size_t running = 0;

    const auto work = [&] {
        try {
            CensusWorker worker(graphs, objectPlacements);
            for (std::size_t index = next++; index < rows.size() && !failed && !stopping();
                 index = next++) {
                rows[index].position = positions[index];
                rows[index].run = plan.runAt(positions[index]);
                rows[index].result = worker.run(rows[index].run, maxSteps);
                if (objectPlacements) {
                    objects[index] = worker.takeSightings();
                }
                finishedRows[index] = true;
                ++done;
            }
        } catch (...) {
            const std::lock_guard<std::mutex> lock(mutex);
            if (!error) {
                error = std::current_exception();
            }
            failed = true;
        }
        const std::lock_guard<std::mutex> lock(mutex);
        --running;
        finished.notify_all();
    };

    const auto workerCount = static_cast<std::size_t>(
        std::max<int64_t>(1, std::min<int64_t>(jobs, static_cast<int64_t>(rows.size()))));
    std::vector<std::thread> workers;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        running = workerCount;
    }
    // Fewer threads than asked for, when the system refuses more, only make the census slower;
    // with none at all the calling thread does the work.
    std::size_t started = 0;
    for (; started < workerCount; ++started) {
        try {
            workers.emplace_back(work);
        } catch (const std::system_error&) {
            break;
        }
    }
    if (started < workerCount) {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            running -= workerCount - started;
            if (started == 0) {
                running = 1;
            }
        }
        if (started == 0) {
            work();
        }
    }
    {
        std::unique_lock<std::mutex> lock(mutex);
        const auto interval = std::chrono::duration<double>(progress.intervalSeconds);
        while (running != 0) {
            if (progress.report || progress.rowDone) {
                finished.wait_for(lock, interval);
                lock.unlock();
                deliverFinished();
                if (progress.report) {
                    progress.report(done);
                }
                lock.lock();
            } else {
                finished.wait(lock);
            }
        }
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    if (error) {
        std::rethrow_exception(error);
    }
    deliverFinished();
    if (progress.report) {
        progress.report(done);
    }
    rows.resize(delivered);
    return rows;
}

}  // namespace quorvel
