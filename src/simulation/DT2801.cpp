#include "simulation/DT2801.h"

#include "platform/core/Clock.h"
#include "platform/core/Sync.h"
#include "platform/io/Bus.h"
#include "platform/io/Device.h"
#include "platform/ui/MessageQueue.h"
#include "simulation/AnalogIoGlobals.h"
#include "search/WorkerSeam.h"
#include "simulation/SIMsystem.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kChannels = 4;
constexpr int kBoardOutputs = 2;
constexpr DWORD kMaxCode = 4095u;
constexpr DWORD kRecordSize = 8;
constexpr DWORD kShortestLossMs = 1000;

// The driver's record, written byte by byte.
struct BoardRecord {
  BYTE bytes[kRecordSize] = {};
  BoardRecord(BYTE channel, DWORD code) {
    bytes[0] = channel;
    for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<BYTE>(code >> (8 * i));
  }
  DWORD Code() const {
    return static_cast<DWORD>(bytes[4]) | static_cast<DWORD>(bytes[5]) << 8 |
           static_cast<DWORD>(bytes[6]) << 16 | static_cast<DWORD>(bytes[7]) << 24;
  }
};

}  // namespace

CDT2801::CDT2801() {
  {
    QxCriticalSectionLock lock(g_pcsAnalogIo);  // null during static start-up
    for (int i = 0; i < kChannels; ++i) m_inputs[i] = m_latched[i] = m_outputs[i] = 0.0;
  }
  for (double& reading : m_lastReadings) reading = 0.0;
  m_dDacOffset = 2048.0;
  m_dDacRange = 10.0;
  m_dDacStep = m_dDacRange / (4096.0 - m_dDacOffset);
  m_dAdcOffset = 2048.0;
  m_dAdcRange = 10.0;
  m_dAdcStep = m_dAdcRange / (4096.0 - m_dAdcOffset);
  m_hDevice = CreateFileA("\\\\.\\DT2801", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
  m_bEmulate = m_hDevice == INVALID_HANDLE_VALUE ? 1 : 0;
  // During a run a wait for the board ends at once on a stop, and within the
  // loss limits below; the first closing writes are still given their
  // chance, and those sent again their share of the bound.
  if (!m_bEmulate)
    QxDeviceSetAbortTest(m_hDevice, [this] {
      if (m_runState == RunState::kRunning) return StopRequested() || ReplyOverdue(GetTickCount());
      return m_runState == RunState::kClosing && m_bRetryingClosing &&
             ClosingReplyOverdue(GetTickCount());
    });
}

CDT2801::~CDT2801() {
  if (!m_bEmulate) CloseHandle(m_hDevice);
}

double CDT2801::WriteDAC(BYTE channel, double volts) {
  if (m_bEmulate) {
    if (channel >= kChannels) return 0.0;
    m_outputs[channel] = volts;
    return volts;
  }
  if (channel >= kBoardOutputs) return 0.0;
  const DWORD sent = DacCode(volts);
  DWORD code = sent;
  if (!BoardCall(IOCTL_DT2801_WRITE_DAC, channel, sent, &code)) code = sent;
  return (static_cast<double>(code) - m_dDacOffset) * m_dDacStep;
}

double CDT2801::ReadADC(BYTE channel) {
  if (m_bEmulate) return channel < kChannels ? m_latched[channel] : 0.0;
  DWORD code = 0;
  if (!BoardCall(IOCTL_DT2801_READ_ADC, channel, 0, &code)) return m_lastReadings[channel];
  m_lastReadings[channel] = (static_cast<double>(code) - m_dAdcOffset) * m_dAdcStep;
  return m_lastReadings[channel];
}

void CDT2801::ResetCallCounts() {
  m_nCalls = 0;
  m_nFailedCalls = 0;
  m_nFailedWrites = 0;
}

void CDT2801::Latch() {
  if (!m_bEmulate) return;
  QxCriticalSectionLock lock(g_pcsAnalogIo);  // null during static start-up
  for (int i = 0; i < kChannels; ++i) m_latched[i] = m_inputs[i];
}

void CDT2801::BroadcastDAC() {
  if (!m_bEmulate) return;
  for (double& volts : m_outputs) {
    if (volts > 10.0) {
      volts = 10.0;
    } else if (volts < -10.0) {
      volts = -10.0;
    } else if (std::isnan(volts)) {
      volts = 0.0;
    }
  }
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  EncodeCodes(m_outputs, &wParam, &lParam);
  PostMessage(HWND_BROADCAST, g_msgDac, wParam, lParam);
}

void CDT2801::ZeroOutputs(UINT ms) {
  if (!m_bEmulate) {
    for (int ch = 0; ch < kBoardOutputs; ++ch) WriteDAC(static_cast<BYTE>(ch), 0.0);
    return;
  }
  for (int ch = 0; ch < kChannels; ++ch) WriteDAC(static_cast<BYTE>(ch), 0.0);
  BroadcastDAC();
  // A stop request ends the settling at once.
  SleepUnless(ms, StopRequested);
}

void CDT2801::ReceiveInputs(WPARAM wParam, LPARAM lParam) {
  double volts[kChannels];
  DecodeCodes(wParam, lParam, volts);
  {
    QxCriticalSectionLock lock(g_pcsAnalogIo);  // null during static start-up
    for (int i = 0; i < kChannels; ++i) m_inputs[i] = volts[i];
  }
  m_nInputMessages.fetch_add(1);
}

// ---- the peer during a run ----------------------------------------------------------

DWORD CDT2801::LossBound(UINT ms) {
  constexpr DWORD kLossPeriods = 10;
  return std::max<DWORD>(kShortestLossMs, kLossPeriods * ms);
}

bool CDT2801::BeginRun(UINT ms, bool laterPass) {
  const DWORD now = GetTickCount();
  m_runState = RunState::kRunning;
  m_dwLossBound = LossBound(ms);
  m_bSampleReached = m_bLastSampleReached = m_bClosingReached = m_bClosingFailed = false;
  m_bFailing = false;
  m_dwCallStart = m_dwCompanionSeen = m_dwCompanionAsked = now;
  m_dwPeriod = ms;
  m_nInputsAtStart = m_nInputsSeen = m_nInputMessages.load();
  if (!laterPass) {
    m_bCompanionAnswered = false;
    m_dwCompanion = 0;
  }
  if (m_bEmulate) return true;
  QxDeviceSetRetryInterval(m_hDevice, ms);
  return QxDeviceReconnect(m_hDevice) != FALSE;
}

bool CDT2801::PeerGone(DWORD now) {
  if (m_bEmulate) {
    // The companion may send its inputs only when they change: it is judged
    // by its presence on the bus, asked at most once a period, not by its
    // silence. One whose inputs did not come over the bus cannot be asked.
    const unsigned inputs = m_nInputMessages.load();
    if (inputs != m_nInputsSeen) {
      m_nInputsSeen = inputs;
      m_dwCompanionSeen = now;
      m_bCompanionAnswered = true;
      m_dwCompanion = QxBusLastSender(g_msgAdc);
    } else if (m_bCompanionAnswered && now - m_dwCompanionAsked >= m_dwPeriod) {
      m_dwCompanionAsked = now;
      if (m_dwCompanion == 0 || QxBusPeerPresent(m_dwCompanion)) m_dwCompanionSeen = now;
    }
    return m_bCompanionAnswered && now - m_dwCompanionSeen >= m_dwLossBound;
  }
  m_bLastSampleReached = m_bSampleReached;
  m_bSampleReached = false;
  return !m_bLastSampleReached && LossBoundPassed(now);
}

bool CDT2801::LossBoundPassed(DWORD now) const {
  // Judged as early as a wait for the board may take to see that it is given
  // up (the device looks every 10 ms), so that the sample still ends within
  // the bound.
  constexpr DWORD kGiveUpMs = 20;
  return m_bFailing && now - m_dwFailingSince + kGiveUpMs >= m_dwLossBound;
}

bool CDT2801::ReplyOverdue(DWORD now) const {
  return now - m_dwCallStart >= m_dwLossBound / 2 || LossBoundPassed(now);
}

bool CDT2801::PassEndReached() {
  if (m_bEmulate || m_bLastSampleReached) return true;
  m_dwCallStart = GetTickCount();
  DWORD code = 0;
  return QxDeviceReconnect(m_hDevice) && BoardCall(IOCTL_DT2801_READ_ADC, 0, 0, &code);
}

void CDT2801::BeginClosing() {
  m_runState = RunState::kClosing;
  m_bClosingReached = m_bClosingFailed = m_bRetryingClosing = false;
  if (!m_bEmulate) QxDeviceSetRetryInterval(m_hDevice, 0);
}

bool CDT2801::RetryClosing() {
  if (m_bEmulate || m_runState != RunState::kClosing) return false;
  if (!m_bClosingFailed) {
    m_bOutputsDriven = false;
    return false;
  }
  // A run refused before it wrote anything leaves the outputs as the last
  // closing writes that were taken left them.
  if (!m_bOutputsDriven) return false;
  const DWORD now = GetTickCount();
  if (!m_bRetryingClosing) {
    m_bRetryingClosing = true;
    m_dwClosingFailedAt = now;
  }
  // A board whose socket refuses at once is asked once a period, as during
  // the run; a pause past the shorter bound of a waited-for end is cut.
  const DWORD since = now - m_dwCallStart;
  if (since < m_dwPeriod)
    SleepUnless(m_dwPeriod - since, [this] { return ClosingGivenUp(GetTickCount()); });
  if (ClosingGivenUp(GetTickCount())) return false;
  m_bClosingFailed = false;
  return true;
}

DWORD CDT2801::EndBound() const {
  constexpr DWORD kSlackMs = 2000;
  if (m_bEmulate) return kSlackMs;
  return QxDeviceTimeout(m_hDevice) + kShortestLossMs + kSlackMs;
}

CDT2801::EndWait::EndWait(CDT2801* io) : m_pIo(io) {
  if (m_pIo == nullptr) return;
  ++m_pIo->m_nEndWaits;
  // A closing write sent again may now be given up sooner.
  QxWakeSleepers();
}

CDT2801::EndWait::~EndWait() {
  if (m_pIo != nullptr) --m_pIo->m_nEndWaits;
}

bool CDT2801::ClosingGivenUp(DWORD now) const {
  // The user waits: the attempts stop at the shortest bound.
  const DWORD bound =
      m_nEndWaits.load() > 0 ? std::min(m_dwLossBound, kShortestLossMs) : m_dwLossBound;
  return now - m_dwClosingFailedAt >= bound;
}

bool CDT2801::ClosingReplyOverdue(DWORD now) const {
  return now - m_dwCallStart >= m_dwLossBound / 2 || ClosingGivenUp(now);
}

bool CDT2801::PeerAtEnd() const {
  return m_bEmulate || m_bLastSampleReached || m_bClosingReached;
}

bool CDT2801::InputArrived() const {
  return m_nInputMessages.load() != m_nInputsAtStart;
}

WORD CDT2801::VoltsToCode(double volts) {
  if (std::isnan(volts)) volts = 0.0;
  if (volts > 10.0) {
    volts = 10.0;
  } else if (volts < -10.0) {
    volts = -10.0;
  }
  return static_cast<WORD>((volts + 10.0) * 65535.0 / 20.0);
}

double CDT2801::CodeToVolts(WORD code) {
  return code * 20.0 / 65535.0 - 10.0;
}

void CDT2801::EncodeCodes(const double volts[4], WPARAM* wParam, LPARAM* lParam) {
  WORD codes[kChannels];
  for (int i = 0; i < kChannels; ++i) codes[i] = VoltsToCode(volts[i]);
  *wParam = static_cast<WPARAM>(codes[0]) | static_cast<WPARAM>(codes[1]) << 16;
  *lParam = static_cast<LPARAM>(codes[2]) | static_cast<LPARAM>(codes[3]) << 16;
}

void CDT2801::DecodeCodes(WPARAM wParam, LPARAM lParam, double volts[4]) {
  const DWORD low = static_cast<DWORD>(wParam);
  const DWORD high = static_cast<DWORD>(static_cast<WPARAM>(lParam));
  volts[0] = CodeToVolts(LOWORD(low));
  volts[1] = CodeToVolts(HIWORD(low));
  volts[2] = CodeToVolts(LOWORD(high));
  volts[3] = CodeToVolts(HIWORD(high));
}

DWORD CDT2801::DacCode(double volts) const {
  // The converter has 12 bits: a code beyond them would wrap round, so full
  // positive drive would come out as full negative drive.
  const double code = std::trunc(volts / m_dDacStep + m_dDacOffset);
  if (std::isnan(code)) return static_cast<DWORD>(m_dDacOffset);
  if (code <= 0.0) return 0;
  if (code >= kMaxCode) return kMaxCode;
  return static_cast<DWORD>(code);
}

bool CDT2801::BoardCall(DWORD controlCode, BYTE channel, DWORD code, DWORD* result) {
  // Writes answer in place; reads into a separate record set up like the request.
  BoardRecord request(channel, code);
  BoardRecord separate(channel, 0);
  BoardRecord& reply = controlCode == IOCTL_DT2801_WRITE_DAC ? request : separate;
  // After a stop the rest of the sample is not sent, nor once the board has
  // been silent for the loss bound (the run is lost at the sample's end);
  // after a failed closing write the others would only wait for the same
  // silence.
  const bool running = m_runState == RunState::kRunning;
  const bool closing = m_runState == RunState::kClosing;
  const DWORD start = running || closing ? GetTickCount() : 0;
  if ((running && (StopRequested() || LossBoundPassed(start))) || (closing && m_bClosingFailed)) {
    return false;
  }
  if (closing && m_bRetryingClosing && ClosingGivenUp(start)) {
    m_bClosingFailed = true;
    return false;
  }
  // A write sent may have reached the board, answered or not.
  if (!closing && controlCode == IOCTL_DT2801_WRITE_DAC) m_bOutputsDriven = true;
  DWORD returned = 0;
  // The closing writes are no call of the run: sent again once a period to
  // a board that has gone, they would outnumber its samples.
  if (!closing) ++m_nCalls;
  m_dwCallStart = start;
  if (!DeviceIoControl(m_hDevice, controlCode, request.bytes, kRecordSize, reply.bytes, kRecordSize,
                       &returned, nullptr) ||
      returned != kRecordSize || reply.bytes[0] != channel) {
    if (closing) {
      m_bClosingFailed = true;
    } else {
      ++m_nFailedCalls;
      if (controlCode == IOCTL_DT2801_WRITE_DAC) ++m_nFailedWrites;
    }
    if (running && !m_bFailing) {
      m_bFailing = true;
      m_dwFailingSince = start;
    }
    return false;
  }
  if (running) m_bFailing = false;
  (closing ? m_bClosingReached : m_bSampleReached) = true;
  *result = reply.Code();
  return true;
}
