#pragma once
// The analog I/O device that real-time control reads the process from and
// drives it through. When the DT2801 board's driver opens, the board's inputs
// and its two outputs are used through the driver's control calls; otherwise
// a unit of four inputs and four outputs is emulated by broadcast messages
// with a companion process. The choice is made once, at construction.
// Everything is in volts, within -10 V .. +10 V.
//
// Board: 12-bit offset binary converters, code = volts / step + 2048, with
// step = 10 / 2048 V; an output code is limited to 0..4095, since a 12-bit
// converter given 4096 would wrap round to -10 V. Each call carries an 8-byte
// little-endian record: byte 0 the channel, bytes 1..3 padding, bytes 4..7
// the code. A failed call, or a reply that is not a whole record for the
// channel asked, is counted; a failed read gives the channel's last good
// reading (0 V before any), so the loop never sees a value the board did not
// measure. The real-time run reports the count once, at its end: the calls
// of its samples (and of the zeroing before them), not the closing writes,
// whose fate the end says apart (QxRunEnd::outputsDriven), however often
// they went again.
//
// Emulation: "ID_DIDIRO_DAC" (outgoing) and "ID_DIDIRO_ADC" (incoming) carry
// four 16-bit codes, channel 0 in the low word of wParam, 1 in its high word,
// 2 and 3 likewise in lParam; code 0 is -10 V and 65535 is +10 V.
//
// A run watches its peer (BeginRun, PeerGone, PeerAtEnd). The board is kept
// when it can be: a failed exchange drops the driver's connection, and the
// next call connects again, at most once a sampling period, so an isolated
// failure costs one held reading. The loss bound is the longer of 1 s and ten
// periods. The board is gone when no exchange of a sample has succeeded and
// none has since the first unanswered one, the loss bound ago. So that a
// silent board ends the run within the bound whatever the loop's size, a
// reply is awaited at most half the bound (the other half is left for the
// board to answer again after a lost reply), and no longer than the bound
// from the first unanswered exchange; once that has passed, the rest of the
// sample is not sent. A companion that has answered during the run is gone
// when for the loss bound no input has arrived from it and its socket has
// not been found on the bus (asked at most once a period): one that is there
// but quiet keeps the run going on the inputs it last sent. A run with no
// answer at all is the silent emulation and goes on. A stop asked for
// (StopRequested) ends a wait for the board at once; the closing writes
// of a run then reach the board if it answers, within one reply timeout.
// A board left without them goes on driving the process at the last value
// written, so closing writes it did not take, after outputs were written,
// are sent again until it takes them: an attempt at most once a period,
// each awaited at most half the loss bound, until the bound has passed since
// the first failed; while the user-interface thread waits for the run's end
// (closing a design, quitting, starting another run: an EndWait lives),
// until the shortest bound, 1 s, has. Whether they were taken in the end is
// said with the run's end (QxRunEnd::outputsDriven).
//
// Threads: the inputs received by the message are written on the
// user-interface thread and latched by the real-time worker, both under
// g_pcsAnalogIo; a sample reads only the latched copy, and the worker sees
// that a message arrived through a counter. Everything else is used by the
// worker during a run, or before any worker exists.
#include "platform/core/Types.h"

#include <atomic>

// The driver's two calls.
inline constexpr DWORD IOCTL_DT2801_READ_ADC = 0x82002000u;
inline constexpr DWORD IOCTL_DT2801_WRITE_DAC = 0x82002004u;

class CDT2801 {
 public:
  // Opens "\\.\DT2801"; emulates when that fails. Clears the three value arrays.
  CDT2801();
  // Closes the board's driver if it was opened.
  ~CDT2801();
  CDT2801(const CDT2801&) = delete;
  CDT2801& operator=(const CDT2801&) = delete;

  // Sets one output; returns the volts output. Board: channels 0 and 1, the
  // volts the driver reports back for the code written (limited to 0..4095;
  // not a number: 2048), or those of the code sent when the call failed.
  // Emulation: channels 0..3, stored unlimited. Other channels: nothing
  // happens and the result is 0.0.
  double WriteDAC(BYTE channel, double volts);
  // Reads one input. Board: any channel goes to the driver; a failed call
  // gives the channel's last good reading. Emulation: the latched value of
  // channels 0..3, 0.0 for the others.
  double ReadADC(BYTE channel);
  // The board's driver calls since the last ResetCallCounts, how many of
  // them failed, and how many of those were writes; the closing writes are
  // not among them. The worker that runs the board is their only user.
  void ResetCallCounts();
  int Calls() const { return m_nCalls; }
  int FailedCalls() const { return m_nFailedCalls; }
  int FailedWrites() const { return m_nFailedWrites; }
  // Emulation: fixes the received inputs for one sample. Board: nothing.
  void Latch();
  // Emulation: limits the four outputs to +-10 V (in place) and broadcasts
  // them as "ID_DIDIRO_DAC". Board: nothing.
  void BroadcastDAC();
  // All outputs to 0 V before a run; the emulation then broadcasts them and
  // waits ms so that the companion settles (less when a stop is asked for).
  void ZeroOutputs(UINT ms);
  // The input message: stores its four voltages under g_pcsAnalogIo.
  void ReceiveInputs(WPARAM wParam, LPARAM lParam);

  // ---- the peer during a run (worker) ----
  // A run, or a tuner's pass, begins with the period ms: the watch starts
  // now. Board: its connection is made afresh, so that a driver restarted
  // since the last run serves this one; false when nothing answers on its
  // socket. Emulation: a later pass of the same tuning run keeps knowing
  // the companion that answered before, so it is watched from the start.
  bool BeginRun(UINT ms, bool laterPass = false);
  // Once after each sample, with the tick count then: true when the peer is
  // gone and the run must end (see above).
  bool PeerGone(DWORD now);
  // Between two passes of a continuous run: whether the board reached the
  // pass's last sample, or else answers a reading now (connected afresh,
  // within one reply timeout). Emulation: true.
  bool PassEndReached();
  // The run's closing writes follow: a dropped board connection is made
  // again at once, and after a failed write no other is tried.
  void BeginClosing();
  // After the closing writes: true when the board did not take them and
  // they are to be sent again (see above), the time between two attempts
  // waited first.
  bool RetryClosing();
  // Board: outputs were written since the last closing writes that the board
  // took, so they may still be driven at the last value written.
  bool OutputsMayBeDriven() const { return !m_bEmulate && m_bOutputsDriven; }
  // After the closing writes: false when the board reached neither the last
  // sample nor the closing (the pass ran out on held readings). Emulation: true.
  bool PeerAtEnd() const;
  // Emulation: whether any input message arrived since BeginRun (any thread).
  bool InputArrived() const;
  // The loss bound of a period: the longer of 1 s and ten periods.
  static DWORD LossBound(UINT ms);
  // The longest a worker takes to end once a stop is asked for: the
  // closing writes' first reply timeout, their attempts while the end is
  // waited for, and slack for the sample under way and a held-up process.
  DWORD EndBound() const;

  // While one lives, the user-interface thread waits for the worker to end
  // (see above). Scoped, so that no road out of the wait leaves the closing
  // writes cut short.
  class EndWait {
   public:
    explicit EndWait(CDT2801* io);
    ~EndWait();
    EndWait(const EndWait&) = delete;
    EndWait& operator=(const EndWait&) = delete;

   private:
    CDT2801* m_pIo;
  };

  // The message codes. Outgoing volts are limited to +-10 V first (a value
  // that is not a number goes out as 0 V); the code is truncated toward zero.
  static WORD VoltsToCode(double volts);
  static double CodeToVolts(WORD code);
  static void EncodeCodes(const double volts[4], WPARAM* wParam, LPARAM* lParam);
  // Only the low 32 bits of each word carry codes; higher bits are ignored.
  static void DecodeCodes(WPARAM wParam, LPARAM lParam, double volts[4]);

  double m_inputs[4];   // received by the input message; under g_pcsAnalogIo
  double m_latched[4];  // fixed for the current sample by Latch
  double m_outputs[4];  // the emulation's outputs
  WORD m_bEmulate;      // 1: the driver did not open, emulate; 0: the board
  HANDLE m_hDevice;
  double m_dDacOffset;  // output code of 0 V
  double m_dDacRange;
  double m_dDacStep;  // volts per output code
  double m_dAdcOffset;
  double m_dAdcRange;
  double m_dAdcStep;
  double m_lastReadings[256];  // the board's last good reading of each input

 private:
  // The board's output code of volts, limited to 0..4095.
  DWORD DacCode(double volts) const;
  // One driver call on the record (channel, code): true and the code of the
  // reply, or false when the call failed or its reply is not a record for
  // channel. Counts the call.
  bool BoardCall(DWORD controlCode, BYTE channel, DWORD code, DWORD* reply);
  // Board, during a run: the loss bound has passed since the first of the
  // exchanges that failed in a row; the current exchange's reply is given up.
  bool LossBoundPassed(DWORD now) const;
  bool ReplyOverdue(DWORD now) const;
  // Closing writes sent again: no more are sent, and the current one's
  // reply is given up.
  bool ClosingGivenUp(DWORD now) const;
  bool ClosingReplyOverdue(DWORD now) const;

  int m_nCalls = 0;
  int m_nFailedCalls = 0;
  int m_nFailedWrites = 0;

  // Where a run is: its closing writes differ, and outside a run (tests,
  // benchmarks) no call is held back.
  enum class RunState { kIdle, kRunning, kClosing };
  RunState m_runState = RunState::kIdle;
  DWORD m_dwLossBound = 0;
  // Board: an exchange of the current sample succeeded; the last sample's
  // did; when the current (or last) exchange began; whether every exchange
  // since the last answer failed, and when the first of them began; the
  // closing writes' outcome.
  bool m_bSampleReached = false;
  bool m_bLastSampleReached = false;
  DWORD m_dwCallStart = 0;
  bool m_bFailing = false;
  DWORD m_dwFailingSince = 0;
  bool m_bClosingReached = false;
  bool m_bClosingFailed = false;
  // Board: outputs written since the last closing writes it took; the
  // closing writes are being sent again since their first failure then.
  bool m_bOutputsDriven = false;
  bool m_bRetryingClosing = false;
  DWORD m_dwClosingFailedAt = 0;
  // EndWaits alive.
  std::atomic<int> m_nEndWaits{0};
  // Emulation: input messages received (counted on the user-interface
  // thread), those seen by the watch, whether one came during the run (or an
  // earlier pass of it), the process that sent the last one seen (0: not
  // known), when the companion was last known there (a new input, or its
  // socket found on the bus) and when the bus was last asked; the period.
  std::atomic<unsigned> m_nInputMessages{0};
  std::atomic<unsigned> m_nInputsAtStart{0};  // also read by the user-interface thread
  unsigned m_nInputsSeen = 0;
  bool m_bCompanionAnswered = false;
  DWORD m_dwCompanion = 0;
  DWORD m_dwCompanionSeen = 0;
  DWORD m_dwCompanionAsked = 0;
  DWORD m_dwPeriod = 0;
};
