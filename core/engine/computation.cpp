// Computations on threads of their own, and the count of those still running.
#include "core/engine/computation.h"

#include <condition_variable>
#include <system_error>
#include <thread>

#include "core/engine/deep.h"
#include "core/engine/generator.h"

namespace {

// How often a running computation tells of its progress at most.
constexpr auto kNewsInterval = std::chrono::milliseconds(50);

std::mutex g_liveMutex;
std::condition_variable g_liveChanged;
int g_live = 0;

}  // namespace

CComputation::CComputation(const PictureParams& params, Block<std::int32_t> counts, int threads, Notify notify)
    : m_params(params),
      m_counts(std::move(counts)),
      m_nThreads(threads),
      m_start(std::chrono::steady_clock::now()),
      m_notify(std::move(notify)),
      m_lastTold(m_start) {}

CComputation::~CComputation() = default;

std::shared_ptr<CComputation> CComputation::Start(const PictureParams& params, Block<std::int32_t> counts, int threads,
                                                  Notify notify) {
    std::shared_ptr<CComputation> job(new CComputation(params, std::move(counts), threads, std::move(notify)));
    {
        std::lock_guard<std::mutex> lock(g_liveMutex);
        ++g_live;
    }
    try {
        std::thread(&CComputation::Run, job).detach();
    } catch (const std::system_error&) {
        std::lock_guard<std::mutex> lock(g_liveMutex);
        --g_live;
        return nullptr;
    }
    return job;
}

void CComputation::Run(std::shared_ptr<CComputation> self) {
    GeneratorControl control;
    control.threads = self->m_nThreads;
    control.cancel = &self->m_cancel;
    control.progress = [job = self.get()](double done) {
        job->m_done.store(done);
        const auto now = std::chrono::steady_clock::now();
        if (now - job->m_lastTold >= kNewsInterval) {
            job->m_lastTold = now;
            job->Tell();
        }
        return true;
    };
    bool complete = false;
    try {
        complete = GeneratePictureCounts(self->m_params, self->m_counts.get(), control);
    } catch (...) {
        complete = false;  // a thread that cannot go on leaves a stopped picture
    }
    self->m_state.store(complete ? State::Finished : State::Stopped);
    self->Tell();
    // The last owner may be this thread: the job goes before it counts as ended.
    self.reset();
    std::lock_guard<std::mutex> lock(g_liveMutex);
    if (--g_live == 0) g_liveChanged.notify_all();
}

void CComputation::Tell() {
    std::lock_guard<std::mutex> lock(m_notifyMutex);
    if (m_notify) m_notify();
}

void CComputation::Abandon() {
    Stop();
    std::lock_guard<std::mutex> lock(m_notifyMutex);
    m_notify = nullptr;
}

double CComputation::Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
}

Block<std::int32_t> CComputation::TakeCounts() {
    if (GetState() != State::Finished) return nullptr;
    return std::move(m_counts);
}

bool CComputation::WaitForAll(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(g_liveMutex);
    return g_liveChanged.wait_for(lock, timeout, [] { return g_live == 0; });
}
