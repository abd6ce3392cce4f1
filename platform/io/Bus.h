#pragma once
// The local message bus: broadcast registered messages between the processes
// of this user on this machine (every running copy of the system and its
// companion programs).
//
// The bus is a folder of Unix datagram sockets, one per joined process, named
// "<pid>.sock". A broadcast sends one frame to every socket but the sender's
// own; it never blocks: a peer whose queue is full is skipped, and a socket
// nobody listens on any more (its process died) is removed. Frames received
// are checked before use; a frame under a name this process does not receive
// (QxBusReceive) is dropped where it is read: registering a name to
// send under it is not receiving it, so a peer flooding the bus with messages
// nobody here handles, or with this process's own outputs, takes no room from
// the others. Each received name has an equal share of the frames that may
// wait, so a flood under one of them cannot crowd out another either. The
// rest are handed to the receiver on the user-interface thread (read there by
// a thread of the bus's own as fast as they come), or to whoever calls
// QxBusPoll.
//
// Frame, little-endian, written byte by byte:
//   0  4  "QXB1"
//   4  4  sender's process id
//   8  8  wParam
//  16  8  lParam (two's complement)
//  24  2  name length n, 1..QX_BUS_MAX_NAME
//  26  n  the registered message's name (no zero byte inside)
//  26+n 1 zero
#include "platform/core/Types.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#define QX_BUS_MAX_NAME 255u

// Receives one frame: the registered message id of its name in this process,
// wParam and lParam.
using QxBusReceiver = std::function<void(UINT message, WPARAM wParam, LPARAM lParam)>;

// The bus folder: $QX_BUS_DIR when set, else $XDG_RUNTIME_DIR/quorvathine-bus,
// else /tmp/quorvathine-bus-<uid>.
std::string QxBusDirectory();

// Binds this process's socket (TRUE also when already joined) and makes
// PostMessage(HWND_BROADCAST, ...) send registered messages on the bus. Joined
// on the thread of a Qt application object, the bus reads its socket on a
// thread of its own and hands the frames over on the application's thread, at
// most 256 at a time, at most 1024 waiting; otherwise call QxBusPoll.
BOOL QxBusJoin();
// Unbinds and removes the socket; broadcasts stay local afterwards. Leave
// before the application object goes.
void QxBusLeave();
BOOL QxBusIsJoined();

// Installs the receiver of incoming frames and returns the previous one. The
// windows layer installs one that posts the message to the main window.
QxBusReceiver QxBusSetReceiver(QxBusReceiver receiver);
// From now on frames of the registered message (a RegisterWindowMessage id)
// reach the receiver, joined or not, for the rest of the process; FALSE for
// an id that is not a registered message. From any thread.
BOOL QxBusReceive(UINT message);
// Whether frames of the message reach the receiver. From any thread.
BOOL QxBusReceives(UINT message);

// Sends the frame to every other process on the bus, joined or not, from any
// thread. Returns how many peers took it (-1 when the name cannot be framed or
// the folder cannot be made).
int QxBusBroadcast(const char* name, WPARAM wParam, LPARAM lParam);

// Waits up to timeoutMs for frames and hands every waiting one to the
// receiver on the calling thread; returns how many were handed over (-1 when
// not joined).
int QxBusPoll(int timeoutMs);

// The process id carried by the last frame of the received message that
// arrived since this process joined the bus (it is recorded when the frame
// is read, before the receiver gets it); 0 when none did.
DWORD QxBusLastSender(UINT message);
// Whether the process pid is on the bus: its socket is in the bus folder and
// someone is bound to it. FALSE when the socket is gone or refuses; TRUE also
// when that cannot be told (no socket to ask with). Sends nothing and
// allocates nothing, from any thread.
BOOL QxBusPeerPresent(DWORD pid);

namespace qxbus {

struct Frame {
  DWORD senderPid = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  std::string name;
};

std::vector<BYTE> EncodeFrame(const char* name, DWORD senderPid, WPARAM wParam, LPARAM lParam);
// FALSE for anything but a well-formed frame of exactly size bytes.
BOOL DecodeFrame(const BYTE* bytes, std::size_t size, Frame* frame);
// The socket path of this process while joined (empty otherwise).
std::string OwnSocketPath();

}  // namespace qxbus
