#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>


namespace metertest {

class Watchdog {
  public:
    explicit Watchdog(int seconds) : thread_([this, seconds] {
        std::unique_lock<std::mutex> lock(mutex_);
        if (cond_.wait_for(lock, std::chrono::seconds(seconds), [this] { return done_; })) return;
        std::fprintf(stderr, "watchdog: the test hung for %d s\n", seconds);
        std::abort();
    }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> guard(mutex_);
            done_ = true;
        }
        cond_.notify_all();
        thread_.join();
    }

  private:
    std::mutex mutex_;
    std::condition_variable cond_;
    bool done_ = false;
    std::thread thread_;
};

template <typename Cond> bool WaitFor(Cond cond, int timeoutMs = 5000) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!cond()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

template <typename L, typename R> std::vector<int16_t> Stereo(uint32_t frames, L left, R right) {
    std::vector<int16_t> pcm(2 * frames);
    for (uint32_t i = 0; i < frames; ++i) pcm[2 * i] = left(i), pcm[2 * i + 1] = right(i);
    return pcm;
}

inline std::vector<int16_t> Constant(uint32_t frames, int16_t left, int16_t right) {
    return Stereo(frames, [=](uint32_t) { return left; }, [=](uint32_t) { return right; });
}

inline uint32_t Bytes(const std::vector<int16_t>& pcm) {
    return static_cast<uint32_t>(pcm.size() * sizeof(int16_t));
}

} // namespace metertest
