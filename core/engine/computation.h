// A picture's counts computed on a thread of its own, beside whatever the
// caller goes on doing. The thread owns a copy of the parameters and the
// count buffer, and nothing else: it tells its owner that there is news
// through a callback, and the owner reads the state on its own thread.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "core/base/globalmem.h"
#include "core/engine/params.h"

class CComputation {
public:
    enum class State { Running, Finished, Stopped };
    // Called on the computing thread, now and then while it runs and once
    // at its end; it must only pass the news on (post a message, say).
    using Notify = std::function<void()>;

    // Starts computing params' width x height counts into counts, on
    // threads threads (0: one per processor). Null when no thread could be
    // started; counts are then released.
    static std::shared_ptr<CComputation> Start(const PictureParams& params, Block<std::int32_t> counts, int threads,
                                               Notify notify);
    ~CComputation();
    CComputation(const CComputation&) = delete;
    CComputation& operator=(const CComputation&) = delete;

    // Asks the thread to stop; the end is still told.
    void Stop() { m_cancel.store(true); }
    // Stops the thread and cuts it off: once this returns, notify is never
    // called again. The thread ends by itself and frees what it holds.
    void Abandon();

    State GetState() const { return m_state.load(); }
    // The share of pixels done, 0 to 1.
    double Done() const { return m_done.load(); }
    double Seconds() const;
    // The counts of a finished computation, handed over once.
    Block<std::int32_t> TakeCounts();

    // Waits until every computation's thread has ended, at most timeout;
    // false when some still run.
    static bool WaitForAll(std::chrono::milliseconds timeout);

private:
    CComputation(const PictureParams& params, Block<std::int32_t> counts, int threads, Notify notify);
    static void Run(std::shared_ptr<CComputation> self);
    void Tell();

    const PictureParams m_params;
    Block<std::int32_t> m_counts;
    const int m_nThreads;
    const std::chrono::steady_clock::time_point m_start;
    std::atomic<bool> m_cancel{false};
    std::atomic<double> m_done{0.0};
    std::atomic<State> m_state{State::Running};
    std::mutex m_notifyMutex;
    Notify m_notify;
    std::chrono::steady_clock::time_point m_lastTold;
};
