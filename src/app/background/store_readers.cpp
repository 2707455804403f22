#include "app/background/store_readers.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace tallyscan {

StoreReaders::~StoreReaders() {
  std::unique_lock lock(mutex_);
  ended_.wait(lock, [this] { return count_.load(std::memory_order_acquire) == 0; });
  *handle_ = nullptr;
}

void StoreReaders::Begin() {
  const bool first = count_.fetch_add(1, std::memory_order_acq_rel) == 0;
  if (first && changed) changed(true);
}

void StoreReaders::End() {
  // Once the count is down the destructor may run: nothing of this object is touched after
  // the lock is released.
  std::shared_ptr<StoreReaders*> handle = handle_;
  bool last = false;
  {
    std::lock_guard lock(mutex_);
    last = count_.fetch_sub(1, std::memory_order_acq_rel) == 1;
    ended_.notify_all();
  }
  if (!last) return;
  // The window hears of it on its own thread; another reader may have begun by then.
  if (QCoreApplication* app = QCoreApplication::instance()) {
    QMetaObject::invokeMethod(
        app,
        [handle] {
          StoreReaders* readers = *handle;
          if (readers != nullptr && readers->Idle() && readers->changed) readers->changed(false);
        },
        Qt::QueuedConnection);
  }
}

}  // namespace tallyscan
