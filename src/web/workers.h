#pragma once
// A fixed number of threads that run jobs from a bounded queue: the office's web server answers
// its routes and writes its downloads on these, never on the threads that read the sockets.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace ijken::web {

class Workers {
  public:
    Workers(int count, std::size_t most) : most_(most) {
        for (int i = 0; i < count; ++i) threads_.emplace_back([this] { run(); });
    }
    ~Workers() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ending_ = true;
        }
        cv_.notify_all();
        for (auto& t : threads_) t.join();
    }
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;

    // False when too many wait already.
    bool submit(std::function<void()> job) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (queue_.size() >= most_) return false;
            queue_.push_back(std::move(job));
        }
        cv_.notify_one();
        return true;
    }

  private:
    void run() {
        for (;;) {
            std::function<void()> job;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                cv_.wait(lock, [this] { return ending_ || !queue_.empty(); });
                if (queue_.empty()) return;
                job = std::move(queue_.front());
                queue_.pop_front();
            }
            job();
        }
    }

    std::size_t most_;
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::function<void()>> queue_;
    bool ending_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace ijken::web
