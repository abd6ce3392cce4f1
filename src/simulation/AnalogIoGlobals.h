#pragma once
// The process-wide objects of the analog I/O exchange. The application object
// makes and deletes the device; the lock and the two registered messages exist
// from static initialisation on, so the device and the main window's input
// handler may use them whenever they run.
#include "platform/core/Sync.h"
#include "platform/core/Types.h"

class CDT2801;

// The one analog I/O device, or null before the application made it.
extern CDT2801* g_pAnalogIo;
// Guards the device's received inputs: the input message writes them on the
// user-interface thread, the real-time worker latches them.
extern LPCRITICAL_SECTION g_pcsAnalogIo;
// "ID_DIDIRO_DAC": the four output voltages, broadcast after every sample.
extern UINT g_msgDac;
// "ID_DIDIRO_ADC": the four input voltages, sent by the companion process;
// the one message this process takes from the bus.
extern UINT g_msgAdc;
