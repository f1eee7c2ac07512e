#pragma once
// The process's side of serving: the listening socket, the file limit, and the signals that stop it.
#include <signal.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace ijken::web {

// The listening socket on HOST:PORT, bound, with a long queue; -1 and `why` when it cannot be.
int listen_on(const std::string& host, int port, std::string& why);
// The port a socket is bound to; -1 when it cannot be read.
int bound_port(int fd);
// Room for every connection the server may hold (two descriptors each), its sessions' database
// connections beside.
void raise_file_limit();

// SIGINT and SIGTERM are blocked in every thread (the threads started later inherit the mask),
// and taken by one thread that says so.
class SignalWait {
  public:
    SignalWait() {
        sigemptyset(&set_);
        sigaddset(&set_, SIGINT);
        sigaddset(&set_, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &set_, &old_);
        thread_ = std::thread([this] {
            int signal = 0;
            sigwait(&set_, &signal);
            std::lock_guard<std::mutex> lock(mutex_);
            arrived_ = true;
            cv_.notify_all();
        });
    }
    ~SignalWait() {
        pthread_kill(thread_.native_handle(), SIGTERM);
        thread_.join();
        pthread_sigmask(SIG_SETMASK, &old_, nullptr);
    }
    SignalWait(const SignalWait&) = delete;
    SignalWait& operator=(const SignalWait&) = delete;

    void wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        cv_.wait(lock, [this] { return arrived_; });
    }

  private:
    sigset_t set_{}, old_{};
    std::mutex mutex_;
    std::condition_variable cv_;
    bool arrived_ = false;
    std::thread thread_;
};

}  // namespace ijken::web
