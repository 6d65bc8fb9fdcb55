#include "platform/notification.h"

#include "platform/run_loop.h"

#include <algorithm>

namespace platform {

NotificationCenter& NotificationCenter::defaultCenter() {
  static NotificationCenter center;
  return center;
}

void NotificationCenter::addObserver(const void* observer, std::string name, Handler handler) {
  entries_.push_back(std::make_shared<Entry>(Entry{observer, std::move(name), std::move(handler)}));
}

void NotificationCenter::removeObserver(const void* observer) {
  std::erase_if(entries_, [observer](const std::shared_ptr<Entry>& entry) {
    if (entry->observer != observer) return false;
    entry->removed = true;  // a post in progress holds its own reference
    return true;
  });
}

void NotificationCenter::post(const Notification& notification) {
  // Observers may come and go while they are being called.
  const auto snapshot = entries_;
  for (const auto& entry : snapshot)
    if (!entry->removed && entry->name == notification.name) entry->handler(notification);
}

NotificationQueue& NotificationQueue::defaultQueue() {
  static NotificationQueue queue;
  return queue;
}

void NotificationQueue::enqueuePostWhenIdle(Notification notification) {
  std::erase_if(pending_, [&](const Notification& queued) {
    return queued.name == notification.name && queued.object == notification.object;
  });
  pending_.push_back(std::move(notification));
  if (idleSource_ == 0) idleSource_ = RunLoop::main().addIdle([this] { deliver(); });
}

void NotificationQueue::deliver() {
  idleSource_ = 0;
  // What observers enqueue now waits for the next idle turn.
  std::deque<Notification> batch;
  batch.swap(pending_);
  for (const auto& notification : batch) NotificationCenter::defaultCenter().post(notification);
}

}  // namespace platform
