#pragma once
// A body that one thread writes while the server sends it: the writer waits while the buffer is
// full, the connection is set aside (suspended) while it is empty, so that neither side holds the
// other's thread.
#include <microhttpd.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <utility>

namespace ijken::web {

// What a download may have written ahead of what was sent.
constexpr std::size_t kStreamBuffer = 256 * 1024;

struct Stream {
    explicit Stream(MHD_Connection* c) : connection(c) {}
    MHD_Connection* connection;
    std::mutex mutex;
    std::condition_variable room;
    std::string buffer;
    std::size_t head = 0;     // what is sent of buffer
    bool waiting = false;     // the connection is suspended until there is more
    bool starting = true;     // the connection is suspended until the first bytes or the end
    bool ended = false, ok = false;
    bool gone = false;        // the connection ended: what is written is dropped
    bool cut = false;         // the server stops: the writer is stopped

    // Takes bytes from the writer; waits while the buffer is full. Throws when cut.
    void put(const char* data, std::size_t n) {
        bool resume = false;
        {
            std::unique_lock<std::mutex> lock(mutex);
            room.wait(lock, [&] { return buffer.size() - head < kStreamBuffer || gone || cut; });
            if (cut) throw std::runtime_error("the server stops");
            if (gone) return;
            if (head > 0 && head >= buffer.size() / 2) {
                buffer.erase(0, head);
                head = 0;
            }
            buffer.append(data, n);
            resume = std::exchange(waiting, false) || std::exchange(starting, false);
        }
        if (resume) MHD_resume_connection(connection);
    }
    void end(bool success) {
        bool resume = false;
        {
            std::lock_guard<std::mutex> lock(mutex);
            ended = true;
            ok = success;
            resume = std::exchange(waiting, false) || std::exchange(starting, false);
        }
        if (resume) MHD_resume_connection(connection);
    }
    // The writer failed before it wrote a byte: the answer can still be an error page.
    bool failed_at_once() {
        std::lock_guard<std::mutex> lock(mutex);
        return ended && !ok && buffer.empty();
    }
    void stop(bool server_stops) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            (server_stops ? cut : gone) = true;
        }
        room.notify_all();
    }

    // MHD's side: called on a network thread.
    static ssize_t read(void* cls, uint64_t, char* out, size_t most) {
        Stream& s = **static_cast<std::shared_ptr<Stream>*>(cls);
        std::lock_guard<std::mutex> lock(s.mutex);
        if (s.head == s.buffer.size()) {
            if (s.ended) return s.ok ? MHD_CONTENT_READER_END_OF_STREAM : MHD_CONTENT_READER_END_WITH_ERROR;
            s.waiting = true;
            MHD_suspend_connection(s.connection);
            return 0;
        }
        const std::size_t n = std::min(most, s.buffer.size() - s.head);
        std::memcpy(out, s.buffer.data() + s.head, n);
        s.head += n;
        s.room.notify_all();
        return static_cast<ssize_t>(n);
    }
    static void free(void* cls) { delete static_cast<std::shared_ptr<Stream>*>(cls); }
};

// Hands what a body writer writes to its stream in pieces of 64 KiB.
class StreamBuf : public std::streambuf {
  public:
    explicit StreamBuf(Stream& stream) : stream_(stream) { setp(buffer_, buffer_ + sizeof buffer_); }

  protected:
    int overflow(int c) override {
        sync();
        if (c != traits_type::eof()) {
            *pptr() = static_cast<char>(c);
            pbump(1);
        }
        return 0;
    }
    int sync() override {
        const auto n = static_cast<std::size_t>(pptr() - pbase());
        setp(buffer_, buffer_ + sizeof buffer_);
        if (n > 0) stream_.put(buffer_, n);
        return 0;
    }

  private:
    Stream& stream_;
    char buffer_[64 * 1024];
};

}  // namespace ijken::web
