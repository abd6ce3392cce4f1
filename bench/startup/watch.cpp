// Starts a program and reports how long it took from exec until its main
// window was mapped and viewable on the X server, and the program's resident
// memory at that moment.
//
//   bench_startup_watch TITLE [--timeout SECONDS] [--cpu N] -- PROGRAM [ARGS...]
//
// --cpu pins the program to one processor, so that two programs compared in
// turns run on the same core.
// The main window is the first top-level client window of the started process
// (_NET_WM_PID) that is viewable, is a normal window (not a splash, tool or
// dialog window) and whose title contains TITLE. Prints one line,
// "ms=<milliseconds> rss_kb=<VmRSS> cpu_ms=<run> runq_ms=<wait>" (the last two:
// the processor time of the program's threads until then, and how long they
// waited, ready, for a processor: on a loaded machine the first is the steadier
// figure), ends the program (SIGTERM, then SIGKILL) and exits 0; exits 1 when
// the window did not appear in time.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dirent.h>
#include <sched.h>
#include <signal.h>
#include <sys/select.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

Display* g_display = nullptr;

bool g_xError = false;
int IgnoreErrors(Display*, XErrorEvent*) {
  g_xError = true;  // windows come and go while we look at them
  return 0;
}

// A window property as the server gives it (up to `length` 32-bit units of
// the type asked), freed when it goes.
struct Property {
  unsigned char* data = nullptr;
  unsigned long count = 0;
  int format = 0;
  Property(Window w, Atom property, Atom type, long length) {
    Atom actual;
    unsigned long after;
    if (XGetWindowProperty(g_display, w, property, 0, length, False, type, &actual, &format, &count,
                           &after, &data) != Success)
      data = nullptr;
  }
  ~Property() {
    if (data) XFree(data);
  }
  Property(const Property&) = delete;
  Property& operator=(const Property&) = delete;
};

long CardinalProperty(Window w, Atom property) {
  const Property p(w, property, XA_CARDINAL, 1);
  if (!p.data || p.count != 1 || p.format != 32) return -1;
  return static_cast<long>(*reinterpret_cast<unsigned long*>(p.data));
}

// Normal when the window names no type or names the normal type first.
bool IsNormalWindow(Window w) {
  static const Atom typeAtom = XInternAtom(g_display, "_NET_WM_WINDOW_TYPE", False);
  static const Atom normal = XInternAtom(g_display, "_NET_WM_WINDOW_TYPE_NORMAL", False);
  const Property type(w, typeAtom, XA_ATOM, 1);
  if (type.data && type.count >= 1 && *reinterpret_cast<Atom*>(type.data) != normal) return false;
  Window transientFor = 0;
  return !XGetTransientForHint(g_display, w, &transientFor) || transientFor == 0;
}

std::string Title(Window w) {
  static const Atom netName = XInternAtom(g_display, "_NET_WM_NAME", False);
  static const Atom utf8 = XInternAtom(g_display, "UTF8_STRING", False);
  std::string title;
  if (const Property name(w, netName, utf8, 1024); name.data)
    title.assign(reinterpret_cast<char*>(name.data), name.count);
  if (title.empty()) {
    char* name = nullptr;
    if (XFetchName(g_display, w, &name) && name) title = name;
    if (name) XFree(name);
  }
  return title;
}

bool IsMainWindow(Window w, pid_t pid, const std::string& title) {
  static const Atom pidAtom = XInternAtom(g_display, "_NET_WM_PID", False);
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(g_display, w, &attributes)) return false;
  if (attributes.map_state != IsViewable || attributes.override_redirect) return false;
  if (CardinalProperty(w, pidAtom) != pid) return false;
  return IsNormalWindow(w) && Title(w).find(title) != std::string::npos;
}

// Looks for the main window among the root's children and their children
// (the window manager's frames hold the clients one or two levels down).
Window FindMainWindow(Window w, int depth, pid_t pid, const std::string& title) {
  if (depth > 0 && IsMainWindow(w, pid, title)) return w;
  if (depth >= 3) return 0;
  Window root, parent, *children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(g_display, w, &root, &parent, &children, &count)) return 0;
  Window found = 0;
  for (unsigned int i = 0; i < count && !found; ++i)
    found = FindMainWindow(children[i], depth + 1, pid, title);
  if (children) XFree(children);
  return found;
}

long ResidentKb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
}

// Processor time the program's threads have run so far, and the time they
// waited for a processor while ready (from /proc/PID/task/*/schedstat).
struct ProcessorTime {
  double runMs = 0, waitMs = 0;
};
ProcessorTime ThreadTimes(pid_t pid) {
  ProcessorTime total;
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  DIR* dir = opendir(tasks.c_str());
  if (!dir) return total;
  while (dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    std::ifstream stat(tasks + "/" + entry->d_name + "/schedstat");
    double run = 0, wait = 0;
    if (stat >> run >> wait) {
      total.runMs += run / 1e6;
      total.waitMs += wait / 1e6;
    }
  }
  closedir(dir);
  return total;
}

void Stop(pid_t pid) {
  kill(pid, SIGTERM);
  for (int i = 0; i < 200; ++i) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return;
    usleep(10000);
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s TITLE [--timeout SECONDS] [--cpu N] -- PROGRAM [ARGS...]\n",
                 argv[0]);
    return 2;
  }
  const std::string title = argv[1];
  double timeout = 20;
  int cpu = -1;
  int first = 2;
  while (first + 1 < argc && std::strcmp(argv[first], "--") != 0) {
    if (std::strcmp(argv[first], "--timeout") == 0)
      timeout = std::atof(argv[first + 1]);
    else if (std::strcmp(argv[first], "--cpu") == 0)
      cpu = std::atoi(argv[first + 1]);
    else
      break;
    first += 2;
  }
  if (first >= argc || std::strcmp(argv[first], "--") != 0 || first + 1 >= argc) {
    std::fprintf(stderr, "%s: expected -- PROGRAM\n", argv[0]);
    return 2;
  }
  g_display = XOpenDisplay(nullptr);
  if (!g_display) {
    std::fprintf(stderr, "%s: cannot open the display\n", argv[0]);
    return 2;
  }
  XSetErrorHandler(IgnoreErrors);
  const Window root = DefaultRootWindow(g_display);
  // Watch the root before the program starts, so no window is missed.
  XSelectInput(g_display, root, SubstructureNotifyMask);
  XSync(g_display, False);

  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    if (cpu >= 0) {
      cpu_set_t set;
      CPU_ZERO(&set);
      CPU_SET(cpu, &set);
      sched_setaffinity(0, sizeof(set), &set);
    }
    execvp(argv[first + 1], argv + first + 1);
    std::perror("exec");
    _exit(127);
  }
  const int fd = ConnectionNumber(g_display);
  Window found = 0;
  double ms = 0;
  while (!found) {
    while (XPending(g_display)) {
      XEvent event;
      XNextEvent(g_display, &event);
      // Frames made by the window manager report their clients' mapping too.
      if (event.type == CreateNotify)
        XSelectInput(g_display, event.xcreatewindow.window,
                     SubstructureNotifyMask | StructureNotifyMask);
      if (event.type == MapNotify || event.type == ReparentNotify) {
        found = FindMainWindow(root, 0, pid, title);
        if (found) {
          ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                   .count();
          break;
        }
      }
    }
    if (found) break;
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (elapsed > timeout || waitpid(pid, nullptr, WNOHANG) == pid) break;
    fd_set fds;
    FD_ZERO(&fds);
    FD_SET(fd, &fds);
    timeval wait{0, 100000};
    select(fd + 1, &fds, nullptr, nullptr, &wait);
  }
  if (!found) {
    std::fprintf(stderr, "%s: no main window titled \"%s\" appeared\n", argv[0], title.c_str());
    Stop(pid);
    return 1;
  }
  const long rss = ResidentKb(pid);
  const ProcessorTime used = ThreadTimes(pid);
  std::printf("ms=%.1f rss_kb=%ld cpu_ms=%.1f runq_ms=%.1f\n", ms, rss, used.runMs, used.waitMs);
  if (std::getenv("QX_WATCH_VERBOSE"))
    std::fprintf(stderr, "main window 0x%lx \"%s\"\n", found, Title(found).c_str());
  std::fflush(stdout);
  Stop(pid);
  XCloseDisplay(g_display);
  return 0;
}
