// The default notification centre and the default notification queue.
#pragma once

#include <any>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace platform {

using UserInfo = std::map<std::string, std::any, std::less<>>;

struct Notification {
  std::string name;
  const void* object = nullptr;  // the sender
  UserInfo userInfo;
};

// The value under `key` when it is there with type T.
template <typename T>
const T* userInfoValue(const Notification& n, const std::string& key) {
  auto it = n.userInfo.find(key);
  return it == n.userInfo.end() ? nullptr : std::any_cast<T>(&it->second);
}

class NotificationCenter {
 public:
  using Handler = std::function<void(const Notification&)>;

  static NotificationCenter& defaultCenter();

  // Observes `name` from any sender.
  void addObserver(const void* observer, std::string name, Handler handler);
  // Removes `observer` from every name; safe while a post is in progress.
  void removeObserver(const void* observer);
  // Delivers synchronously, in the order the observers registered.
  void post(const Notification& notification);

 private:
  struct Entry {
    const void* observer;
    std::string name;
    Handler handler;
    bool removed = false;
  };
  std::vector<std::shared_ptr<Entry>> entries_;
};

class NotificationQueue {
 public:
  static NotificationQueue& defaultQueue();

  // Posts through the default centre once the run loop is idle, never inside
  // this call. A queued notification of the same name and sender is replaced
  // by the new one (coalescing on name and sender).
  void enqueuePostWhenIdle(Notification notification);
  std::size_t pendingCount() const { return pending_.size(); }

 private:
  void deliver();
  std::deque<Notification> pending_;
  unsigned idleSource_ = 0;
};

}  // namespace platform
