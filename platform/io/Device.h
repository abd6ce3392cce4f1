#pragma once
// The device stand-in: a driver device "\\.\NAME" is reached through a Unix
// stream socket whose path the environment variable QX_DEVICE_<NAME> names
// (for example QX_DEVICE_DT2801=/run/user/1000/dt2801.sock). Without the
// variable, or when nothing listens there, opening the device fails, which is
// the normal case on a machine without the board.
//
// DeviceIoControl exchange on the socket, little-endian, byte by byte:
//   request: DWORD control code, DWORD input size, DWORD output size, input bytes
//   reply:   DWORD status (0: success), DWORD output length (<= output size), output bytes
// Every reply is awaited at most the reply timeout: the environment variable
// QX_DEVICE_TIMEOUT_MS when the device is opened (1 .. 600000 ms), else
// QX_DEVICE_TIMEOUT_MS below. A late, short or malformed reply, or a broken
// connection, fails the call and drops the connection, so that no later call
// can read the stale rest of it; the next call connects to the same socket
// again first (no more often than the handle's retry interval, and within
// one reply timeout), so a driver that was restarted there is reached.
#include "platform/core/Types.h"

#include <functional>

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define CREATE_NEW 1u
#define CREATE_ALWAYS 2u
#define OPEN_EXISTING 3u
#define OPEN_ALWAYS 4u
#define TRUNCATE_EXISTING 5u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u

// The reply timeout when the environment does not set one.
#define QX_DEVICE_TIMEOUT_MS 2000
// The largest input or output record a call may carry.
#define QX_DEVICE_MAX_RECORD 65536u

struct OVERLAPPED;
using LPOVERLAPPED = OVERLAPPED*;

// Opens "\\.\NAME" as above; any other path, or overlapped flags, give
// INVALID_HANDLE_VALUE. The other arguments are accepted as the driver would.
HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                   LPSECURITY_ATTRIBUTES security, DWORD creationDisposition,
                   DWORD flagsAndAttributes, HANDLE templateFile);
inline HANDLE CreateFile(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                         LPSECURITY_ATTRIBUTES security, DWORD creationDisposition,
                         DWORD flagsAndAttributes, HANDLE templateFile) {
  return CreateFileA(fileName, desiredAccess, shareMode, security, creationDisposition,
                     flagsAndAttributes, templateFile);
}

// Sends the code and inSize bytes of in, and copies the reply's output into
// out. FALSE on any failure (unknown handle, I/O error, timeout, a reply
// longer than outSize, the device's own refusal, an overlapped request);
// *returned then is 0. in and out may be the same record.
BOOL DeviceIoControl(HANDLE device, DWORD controlCode, LPVOID in, DWORD inSize, LPVOID out,
                     DWORD outSize, LPDWORD returned, LPOVERLAPPED overlapped);

// Closes a device handle; FALSE for an unknown one.
BOOL CloseHandle(HANDLE handle);

// ---- the stand-in's own calls (a driver handle has no such thing) ----------
// Each is FALSE for an unknown handle.

// Drops the connection and connects to the device's socket afresh, within one
// reply timeout: FALSE when nothing answers there (the handle stays, and a
// later call tries again).
BOOL QxDeviceReconnect(HANDLE device);
// The least time between two attempts of DeviceIoControl to connect a dropped
// connection again; 0 (the default): every call tries.
BOOL QxDeviceSetRetryInterval(HANDLE device, DWORD ms);
// While abort() holds, a wait for the device (a reply, or a connection) gives
// up within 10 ms: the call fails and the connection is dropped. It is called
// on the thread that waits; an empty one never aborts.
BOOL QxDeviceSetAbortTest(HANDLE device, std::function<bool()> abort);
// The handle's reply timeout in ms (0 for an unknown handle).
DWORD QxDeviceTimeout(HANDLE device);
