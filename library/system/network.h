// The socket layer's state and the entries that start-up, shut-down, the
// message pass and the window procedure call. Socket events reach a hidden
// window as kSocketWindowMessage; every call runs on the main thread.
#ifndef OMBREL_SYSTEM_NETWORK_H
#define OMBREL_SYSTEM_NETWORK_H

#include <windows.h>

#include "Ombrel.h"
#include "system/bound_dlls.h"
#include "system/network_table.h"

constexpr UINT kSocketWindowMessage = 0x505;
constexpr uintptr_t kNoSocket = ~uintptr_t{0};

struct NetworkState {
  NetworkTable table;
  int started;
  HWND socketWindow;
  int socketWindowDestroyed;
  int rawMode;      // 1: new connections carry no length prefix
  int noAutoClose;  // 1: new connections are not closed by the per-frame pass
  int receiving;    // RecvSocket is running
  int sending;      // SendSocket is running
  // What the connections may still receive in this frame; the frame's pass
  // runs the receives that found it spent once it is renewed.
  MessagePassBudget frameBudget;
  MessageMemoryPool receiveMemory;
};

constexpr int kFrameReceiveMessages = 4096;
constexpr int kFrameReceiveBytes = 1024 * 1024;
// All receive rings together; one message may be up to kMaxMessageBytes.
constexpr long long kReceiveMemoryLimit = 256LL * 1024 * 1024;

NetworkState& GetNetworkState();
Ws2Functions& Ws2();

// Starts WinSock and makes the hidden socket window, once; 0, or -1 with a
// log line when either cannot be had (also before start-up and after
// shut-down, when ws2_32 is not bound).
int StartNetWork();
int EndNetWork();

// Gives the connections a new frame's worth of receiving; the message pass
// calls it as each frame begins.
void RenewNetWorkFrameBudget();

// Dispatches what waits for the hidden window; with closeFailed 1 first runs
// the events that found their call busy and closes the connections that
// failed. Always 0.
int PumpNetWorkMessages(int closeFailed);
// The same dispatching alone; -1 once the hidden window has ended.
int PumpSocketWindow();
LRESULT HandleSocketMessage(WPARAM socket, LPARAM eventWord);

// Move messages between a connection's socket and its rings.
int RecvSocket(int handle);
int SendSocket(int handle);
// Takes the connection waiting at the listening socket into a new handle;
// 1, or -1 when it was turned away or failed.
int AcceptNetWork();

// Logs "ネットワークログ。<text>[<WinSock error>]" and returns -1.
int LogSocketError(const char* format, ...) OMBREL_PRINTF_FORMAT(1, 2);
int LogSocketErrorCode(int code, const char* text);

// A new record in the slot with the settings that apply to new connections;
// null with a log line when no memory could be had.
NetworkRecord* MakeSocketRecord(int slot);
// Closes the record's socket if it has one, frees it and empties its slot;
// returns -1 for the caller's failure path.
int UndoSocketRecord(NetworkRecord* record);
// The record behind a handle to a live connection (not the listening socket
// or a datagram socket), or null.
NetworkRecord* FindConnectionRecord(int handle);

sockaddr_in MakeSocketAddress(const unsigned char address[4], int port);
// A dotted IPv4 address or a host name into the four address bytes; 0 or -1.
int ResolveIPv4Address(const char* host, unsigned char address[4]);

#endif
