#pragma once
// A companion of the emulated unit that answers each output frame at once,
// on the sending thread, with inputs of 0 V (the code 32767 on every
// channel): a run against it gets input from its first frame on, and reads
// what a process at rest would give. Installs itself as the broadcast hook
// while it lives (joining the message bus replaces it).
#include "platform/ui/MessageQueue.h"
#include "simulation/AnalogIoGlobals.h"
#include "simulation/DT2801.h"

namespace qxtest {

class InstantCompanion {
 public:
  InstantCompanion() {
    qxui::SetBroadcastHook([](UINT message, WPARAM, LPARAM) {
      constexpr WPARAM kRestCodes = 0x7FFF7FFF;
      if (message == g_msgDac && g_pAnalogIo != nullptr)
        g_pAnalogIo->ReceiveInputs(kRestCodes, static_cast<LPARAM>(kRestCodes));
    });
  }
  ~InstantCompanion() { qxui::SetBroadcastHook(nullptr); }
  InstantCompanion(const InstantCompanion&) = delete;
  InstantCompanion& operator=(const InstantCompanion&) = delete;
};

}  // namespace qxtest
