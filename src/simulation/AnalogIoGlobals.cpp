#include "simulation/AnalogIoGlobals.h"

#include "platform/io/Bus.h"
#include "platform/ui/MessageQueue.h"

CDT2801* g_pAnalogIo = nullptr;
static CRITICAL_SECTION s_csAnalogIo;
LPCRITICAL_SECTION g_pcsAnalogIo = &s_csAnalogIo;
UINT g_msgDac = RegisterWindowMessage("ID_DIDIRO_DAC");
UINT g_msgAdc = RegisterWindowMessage("ID_DIDIRO_ADC");
// Only the inputs are taken from the bus: frames under the outputs' name are
// dropped where they are read.
[[maybe_unused]] static const BOOL s_bAdcReceived = QxBusReceive(g_msgAdc);
