#include "platform/ui/MessageQueue.h"

#include "platform/core/Clock.h"
#include "platform/core/Thread.h"
#include "platform/ui/Constants.h"
#include "platform/ui/PostedWake.h"
#include "platform/ui/Wnd.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <atomic>
#include <cctype>
#include <map>
#include <new>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace {

// A post fails once this many messages wait, as on Windows: frames from the
// bus are posted as they arrive, and a peer sending faster than the windows
// handle them must not grow the queue without end.
constexpr std::size_t kMaxPostedMessages = 10000;

void DeliverOne();

// The waiting messages, oldest first, on a ring made once with the queue: a
// real-time run posts while it samples, and a post allocates nothing. Left
// unwritten when made, the ring's pages become the process's own only as
// messages first reach them.
struct Queue {
  std::mutex lock;
  MSG* ring = static_cast<MSG*>(::operator new(sizeof(MSG) * kMaxPostedMessages));
  std::size_t first = 0, count = 0;
  bool scheduled = false;  // a delivery call is waiting in Qt's queue
  qxui::PostedWake wake{DeliverOne};

  MSG& Front() { return ring[first]; }
  void PopFront() {
    first = (first + 1) % kMaxPostedMessages;
    --count;
  }
  void PushBack(const MSG& msg) {
    ring[(first + count) % kMaxPostedMessages] = msg;
    ++count;
  }
};

// The queue, the hooks and the registry outlive every static object: the
// application object is one, and it installs and removes hooks from its
// constructor and destructor.
Queue& TheQueue() {
  static Queue* queue = new Queue;
  return *queue;
}

struct Hooks {
  std::function<BOOL(MSG*)> preTranslate;
  std::function<void(UINT, WPARAM, LPARAM)> broadcast;
  std::function<void()> activity;
  std::function<void()> idle;
};

std::mutex g_hookLock;

Hooks& TheHooks() {
  static Hooks* hooks = new Hooks;
  return *hooks;
}

std::atomic<DWORD> g_uiThreadId{0};

bool OnUiThread() {
  QCoreApplication* app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread();
}

// Lets Qt's event loop (whichever runs) call DeliverOne. Called with the lock held.
void ScheduleLocked(Queue& queue) {
  if (queue.scheduled) return;
  queue.scheduled = queue.wake.Post();
}

bool TakeOne(MSG& msg) {
  Queue& queue = TheQueue();
  std::lock_guard<std::mutex> guard(queue.lock);
  queue.scheduled = false;
  if (queue.count == 0) return false;
  msg = queue.Front();
  queue.PopFront();
  // Schedule the next one before this one runs, so that a nested loop inside
  // its handler delivers the rest.
  if (queue.count != 0) ScheduleLocked(queue);
  return true;
}

void DeliverOne() {
  MSG msg;
  if (TakeOne(msg)) qxui::DeliverMessage(msg);
}

bool Enqueue(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG msg;
  msg.hwnd = hWnd;
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  msg.time = GetTickCount();
  // The cursor position belongs to the user-interface thread.
  if (OnUiThread()) GetCursorPos(&msg.pt);
  Queue& queue = TheQueue();
  std::lock_guard<std::mutex> guard(queue.lock);
  if (!QCoreApplication::instance() || queue.count >= kMaxPostedMessages) return false;
  queue.PushBack(msg);
  ScheduleLocked(queue);
  return true;
}

struct Registry {
  std::mutex lock;
  std::map<std::string, UINT, std::less<>> ids;  // lower-case name -> id
  std::map<UINT, std::string> names;
  UINT next = WM_REGISTERED_FIRST;
};

Registry& TheRegistry() {
  static Registry* registry = new Registry;
  return *registry;
}

}  // namespace

DWORD QxUiThreadId() {
  if (g_uiThreadId.load() == 0 && OnUiThread()) g_uiThreadId = GetCurrentThreadId();
  return g_uiThreadId.load();
}

BOOL PostMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (hWnd == HWND_BROADCAST) {
    std::function<void(UINT, WPARAM, LPARAM)> broadcast;
    {
      std::lock_guard<std::mutex> guard(g_hookLock);
      broadcast = TheHooks().broadcast;
    }
    if (broadcast) broadcast(message, wParam, lParam);
    return TRUE;
  }
  if (!IsWindow(hWnd)) return FALSE;
  return Enqueue(hWnd, message, wParam, lParam);
}

BOOL PostThreadMessage(DWORD idThread, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD ui = g_uiThreadId.load();
  if (ui == 0 || idThread != ui) return FALSE;
  return Enqueue(nullptr, message, wParam, lParam);
}

UINT RegisterWindowMessage(LPCSTR name) {
  if (!name || !*name) return 0;
  std::string key(name);
  for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  auto found = registry.ids.find(key);
  if (found != registry.ids.end()) return found->second;
  if (registry.next > 0xFFFF) return 0;
  UINT id = registry.next++;
  registry.ids.emplace(key, id);
  registry.names.emplace(id, name);
  return id;
}

namespace {
std::atomic<bool> g_mainLoopRunning{false};
}

void PostQuitMessage(int nExitCode) {
  if (QCoreApplication* app = QCoreApplication::instance()) {
    // Only the application's main loop ends; outside it (tests drive windows
    // without one) there is nothing to quit.
    QMetaObject::invokeMethod(
        app,
        [nExitCode] {
          if (g_mainLoopRunning) QCoreApplication::exit(nExitCode);
        },
        Qt::QueuedConnection);
  }
}

namespace qxui {

void SetMainLoopRunning(bool running) {
  g_mainLoopRunning = running;
}

UINT FindRegisteredMessage(const char* name, std::size_t length) {
  if (!name || length == 0) return 0;
  // Lower-cased on the stack: the bus asks this for every frame it reads.
  char small[256];
  std::string large;
  char* key = small;
  if (length > sizeof(small)) {
    large.resize(length);
    key = large.data();
  }
  for (std::size_t i = 0; i < length; ++i)
    key[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[i])));
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  const auto found = registry.ids.find(std::string_view(key, length));
  return found == registry.ids.end() ? 0 : found->second;
}

const char* RegisteredMessageName(UINT message) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  auto found = registry.names.find(message);
  return found == registry.names.end() ? "" : found->second.c_str();
}

void SetPreTranslateHook(std::function<BOOL(MSG*)> hook) {
  std::lock_guard<std::mutex> guard(g_hookLock);
  TheHooks().preTranslate = std::move(hook);
}

BOOL PreTranslate(MSG* msg) {
  std::function<BOOL(MSG*)> hook;
  {
    std::lock_guard<std::mutex> guard(g_hookLock);
    hook = TheHooks().preTranslate;
  }
  if (hook) return hook(msg);
  // Without an application (tools, tests of a single window) the target and
  // its parents still get their chance, as the system's dialog loop gives
  // them: Return in a dialog's edit must still press OK.
  for (CWnd* step = CWnd::FromHandle(msg->hwnd); step; step = step->GetParent()) {
    HWND hStep = step->GetSafeHwnd();
    if (step->PreTranslateMessage(msg)) return TRUE;
    if (!IsWindow(hStep)) return FALSE;
  }
  return FALSE;
}

void SetBroadcastHook(std::function<void(UINT, WPARAM, LPARAM)> hook) {
  std::lock_guard<std::mutex> guard(g_hookLock);
  TheHooks().broadcast = std::move(hook);
}

void SetActivityHook(std::function<void()> hook) {
  std::lock_guard<std::mutex> guard(g_hookLock);
  TheHooks().activity = std::move(hook);
}

void SetIdleHook(std::function<void()> hook) {
  std::lock_guard<std::mutex> guard(g_hookLock);
  TheHooks().idle = std::move(hook);
}

void RunIdle() {
  std::function<void()> hook;
  {
    std::lock_guard<std::mutex> guard(g_hookLock);
    hook = TheHooks().idle;
  }
  if (hook) hook();
}

void NoteActivity() {
  std::function<void()> hook;
  {
    std::lock_guard<std::mutex> guard(g_hookLock);
    hook = TheHooks().activity;
  }
  if (hook) hook();
}

void DeliverMessage(MSG& msg) {
  QxUiThreadId();
  if (msg.hwnd && !IsWindow(msg.hwnd)) return;
  if (!PreTranslate(&msg) && msg.hwnd) ::SendMessage(msg.hwnd, msg.message, msg.wParam, msg.lParam);
  NoteActivity();
}

int PendingMessageCount() {
  Queue& queue = TheQueue();
  std::lock_guard<std::mutex> guard(queue.lock);
  return static_cast<int>(queue.count);
}

bool QueueFull() {
  Queue& queue = TheQueue();
  std::lock_guard<std::mutex> guard(queue.lock);
  return queue.count >= kMaxPostedMessages;
}

int DeliverPendingMessages() {
  int count = 0;
  MSG msg;
  while (TakeOne(msg)) {
    DeliverMessage(msg);
    ++count;
  }
  return count;
}

}  // namespace qxui
