#pragma once
// McDepthGuard: the one guard for recursion whose depth the input controls
// (records read from a file or the clipboard, caret walks, the document's
// resizers, the watchdog's re-prepare). Each guarded call makes one guard on
// its own per-thread counter; Ok() is false once the depth passes the limit.
// Kept apart from the node base so code outside the engine can use it.

class McDepthGuard {
 public:
  static constexpr int kMaxDepth = 512;
  explicit McDepthGuard(int& depth, int limit = kMaxDepth) : m_depth(depth) {
    m_ok = ++m_depth <= limit;
  }
  ~McDepthGuard() { --m_depth; }
  McDepthGuard(const McDepthGuard&) = delete;
  McDepthGuard& operator=(const McDepthGuard&) = delete;
  bool Ok() const { return m_ok; }

 private:
  int& m_depth;
  bool m_ok;
};
