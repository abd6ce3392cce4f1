#pragma once
// A companion of the emulated unit that answers each output frame at once,
// on the sending thread, with inputs of 0 V (the code 32767 on every
// channel): a run against it gets input from its first frame on, and reads
// what a process at rest would give. Installs itself as the broadcast hook
// while it lives (joining the message bus replaces it).
#include "platform/ui/MessageQueue.h"
#include "simulation/AnalogIoGlobals.h"
#include "simulation/DT2801.h"

#include <functional>

namespace qxtest {

class InstantCompanion {
 public:
  // `heard`, when given, is called on the sending thread as each output
  // frame comes, before it is answered.
  explicit InstantCompanion(std::function<void()> heard = nullptr) {
    qxui::SetBroadcastHook([heard = std::move(heard)](UINT message, WPARAM, LPARAM) {
      constexpr WPARAM kRestCodes = 0x7FFF7FFF;
      if (message == g_msgDac && heard) heard();
      if (message == g_msgDac && g_pAnalogIo != nullptr)
        g_pAnalogIo->ReceiveInputs(kRestCodes, static_cast<LPARAM>(kRestCodes));
    });
  }
  ~InstantCompanion() { qxui::SetBroadcastHook(nullptr); }
  InstantCompanion(const InstantCompanion&) = delete;
  InstantCompanion& operator=(const InstantCompanion&) = delete;
};

}  // namespace qxtest
