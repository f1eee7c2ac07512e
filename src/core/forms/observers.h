#pragma once
// A list of callbacks identified by the number add() returned. Safe against callbacks that add or
// remove callbacks (their own included) while being notified.
#include <algorithm>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace ijken::forms {

template <class Subject>
class ObserverList {
  public:
    using Callback = std::function<void(Subject&)>;

    // Ids are unique across all lists, so an id kept after its subject died can never remove
    // somebody else's observer.
    int add(Callback callback) {
        const int id = ++last_id_;
        entries_.push_back({id, std::make_shared<Callback>(std::move(callback))});
        return id;
    }

    // Removing an unknown id does nothing.
    void remove(int id) {
        std::erase_if(entries_, [id](const Entry& e) { return e.id == id; });
    }

    std::size_t size() const { return entries_.size(); }

    // Calls every callback registered when the notification starts and still registered when its
    // turn comes.
    void notify(Subject& subject) {
        const std::vector<Entry> snapshot = entries_;
        for (const Entry& entry : snapshot) {
            const bool still_there = std::any_of(entries_.begin(), entries_.end(),
                                                 [&](const Entry& e) { return e.id == entry.id; });
            if (still_there) (*entry.callback)(subject);
        }
    }

  private:
    struct Entry {
        int id;
        std::shared_ptr<Callback> callback;
    };
    std::vector<Entry> entries_;
    static inline int last_id_ = 0;
};

}  // namespace ijken::forms
