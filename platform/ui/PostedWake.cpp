#include "platform/ui/PostedWake.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <new>

namespace qxui {
namespace {

QEvent::Type WakeType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

class WakeEvent : public QEvent {
 public:
  // Made on the posting thread, called on the user-interface thread. Qt's
  // queue orders the two already, with a lock the thread checker cannot see:
  // the call is handed across in an order it sees too.
  explicit WakeEvent(void (*call)()) : QEvent(WakeType()) {
    m_call.store(call, std::memory_order_release);
  }
  // The application's queue deletes what it delivered or dropped: a pooled
  // event goes back to the pool, only then, after every destructor ran.
  static void operator delete(void* event) noexcept;
  void Call() const { m_call.load(std::memory_order_acquire)(); }

 private:
  std::atomic<void (*)()> m_call{nullptr};
};

// Enough for a wake waiting in the queue and one being delivered at each of
// a dozen nested loops.
constexpr std::size_t kPooled = 16;
alignas(WakeEvent) unsigned char g_pool[kPooled][sizeof(WakeEvent)];
std::atomic<bool> g_taken[kPooled];

void WakeEvent::operator delete(void* event) noexcept {
  const auto at = reinterpret_cast<std::uintptr_t>(event);
  const auto first = reinterpret_cast<std::uintptr_t>(&g_pool[0][0]);
  if (at >= first && at < first + sizeof g_pool) {
    g_taken[(at - first) / sizeof g_pool[0]].store(false, std::memory_order_release);
    return;
  }
  ::operator delete(event);
}

WakeEvent* MakeWake(void (*call)()) {
  for (std::size_t i = 0; i < kPooled; ++i) {
    if (g_taken[i].load(std::memory_order_relaxed)) continue;
    if (!g_taken[i].exchange(true, std::memory_order_acquire))
      return ::new (static_cast<void*>(g_pool[i])) WakeEvent(call);
  }
  return new WakeEvent(call);
}

// Receives the wakes on the application's thread.
class WakeTarget final : public QObject {
 protected:
  bool event(QEvent* event) override {
    if (event->type() != WakeType()) return QObject::event(event);
    static_cast<WakeEvent*>(event)->Call();
    return true;
  }
};

std::mutex g_targetLock;
WakeTarget* g_target = nullptr;

// Made once, on the first post, and kept: events in the queue name it.
QObject* Target(QCoreApplication* app) {
  std::lock_guard<std::mutex> guard(g_targetLock);
  if (!g_target || g_target->thread() != app->thread()) {
    g_target = new WakeTarget;
    if (g_target->thread() != app->thread()) g_target->moveToThread(app->thread());
  }
  return g_target;
}

// Made on the application's thread as the application starts, before any
// thread posts: a target made by the first thread to post (the bus's reader)
// would reach the user-interface thread through Qt's queue alone, an order
// the thread checker cannot see.
void MakeTargetAtStart() {
  Target(QCoreApplication::instance());
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(MakeTargetAtStart)

bool PostedWake::Post() const {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return false;
  QCoreApplication::postEvent(Target(app), MakeWake(m_call));
  return true;
}

}  // namespace qxui
