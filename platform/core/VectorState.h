#pragma once
// The upper halves of the 256-bit vector registers. Qt's raster code and its
// event dispatch run AVX code that can return with those halves in use; on
// processors that pay for mixing that state with the SSE code of the rest of
// the program, every call of ours that follows, and every libm call it makes,
// runs slower until a vzeroupper. The drawing layer hands back a clean state
// after its Qt calls, the window layer cleans it before every message, and
// the numeric kernels clean it on entry.
//
// The program is built for plain x86-64 (no -mavx): the instruction is
// issued only where the processor and the system have AVX, which is checked
// once. On other architectures both calls do nothing.

// Clears the upper halves (vzeroupper) where the processor has AVX; costs a
// call and a test elsewhere. Safe anywhere: no value the compiler keeps in a
// register lives in those halves across a call.
void QxCleanVectorState();

// Whether the processor and the system have AVX (the check the clean makes).
bool QxProcessorHasAvx();

// Cleans the state when it goes out of scope. Declared before a QPainter, it
// runs after the painter has ended, on every way out of the function.
class QxCleanVectorStateOnExit {
 public:
  QxCleanVectorStateOnExit() = default;
  ~QxCleanVectorStateOnExit() { QxCleanVectorState(); }
  QxCleanVectorStateOnExit(const QxCleanVectorStateOnExit&) = delete;
  QxCleanVectorStateOnExit& operator=(const QxCleanVectorStateOnExit&) = delete;
};
