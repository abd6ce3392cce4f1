#pragma once
// A call on the user-interface thread, asked for from any thread, that costs
// no allocation once made.
//
// A post puts an event of its own into the application's event queue, so the
// call comes in turn with everything else posted there (first in, first out)
// and from whatever loop runs, nested ones included. The events are made in a
// small pool once: the queue's owner gives one back when it has delivered it,
// and the next post takes it again. Only wakes posted while more than the
// pool's worth are in the queue or being delivered (loops nested that deep)
// are made on the heap.
//
// Post does not look whether a call is already waiting: the caller keeps that
// fact with what the call is for (under its own lock), clears it when the call
// begins, and posts again when there is more.

namespace qxui {

class PostedWake {
 public:
  explicit PostedWake(void (*call)()) : m_call(call) {}
  PostedWake(const PostedWake&) = delete;
  PostedWake& operator=(const PostedWake&) = delete;

  // Puts one call into the user-interface thread's queue; false when there
  // is no application to call it.
  bool Post() const;

 private:
  void (*m_call)();
};

}  // namespace qxui
