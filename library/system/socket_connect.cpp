// Making connections: the listening socket and what it accepts, and
// connections the program opens itself.
#include "system/clock.h"
#include "system/log.h"
#include "system/network.h"
#include "system/string_helpers.h"

namespace {

constexpr uint32_t kConnectWaitMilliseconds = 10000;
constexpr LONG kConnectionEvents = FD_READ | FD_WRITE | FD_CLOSE;

bool ValidPort(int port) { return port >= 1 && port <= 65535; }

// A connection the table has no room for is taken and closed at once: left
// waiting, it would never be announced again and would hold back every
// later connection's announcement too.
void TurnAwayConnection(const NetworkRecord* listener) {
  sockaddr_in address;
  int length = sizeof address;
  const uintptr_t socket =
      Ws2().accept(listener->socket, reinterpret_cast<sockaddr*>(&address), &length);
  if (socket != INVALID_SOCKET) Ws2().closesocket(socket);
}

uint32_t Now() { return ReadMultimediaTime() & 0x7FFFFFFF; }

// Dispatches the socket window's messages until the connection stands; 0,
// or the WinSock error that ended the attempt.
int WaitForConnection(NetworkRecord* record) {
  const NetworkState& network = GetNetworkState();
  const uint32_t start = Now();
  while (!record->connected) {
    MSG message;
    while (!record->connected && !network.socketWindowDestroyed &&
           PeekMessageA(&message, network.socketWindow, 0, 0, PM_REMOVE)) {
      if (message.message == kSocketWindowMessage && message.wParam == record->socket &&
          WSAGETSELECTEVENT(message.lParam) == FD_CONNECT &&
          WSAGETSELECTERROR(message.lParam) != 0) {
        return WSAGETSELECTERROR(message.lParam);
      }
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    if (record->connected) break;
    if (network.socketWindowDestroyed) return WSAENOTCONN;
    if (Now() - start >= kConnectWaitMilliseconds) return WSAETIMEDOUT;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_POSTMESSAGE);
  }
  return 0;
}

}  // namespace

int StartListenNetWork(int port) {
  if (!ValidPort(port) || StartNetWork() != 0) return -1;
  NetworkState& network = GetNetworkState();
  if (network.table.records[kNetworkListenSlot]) return -1;
  NetworkRecord* record = MakeSocketRecord(kNetworkListenSlot);
  if (!record) return -1;
  record->socket = Ws2().socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (record->socket == INVALID_SOCKET) {
    LogSocketError("socketの作成に失敗しました in StartListenNetWork");
    return UndoSocketRecord(record);
  }
  const unsigned char anyAddress[4] = {0, 0, 0, 0};
  const sockaddr_in address = MakeSocketAddress(anyAddress, port);
  if (Ws2().bind(record->socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) ==
      SOCKET_ERROR) {
    LogSocketError("ポート %d の bind に失敗しました", port);
    return UndoSocketRecord(record);
  }
  if (Ws2().WSAAsyncSelect(record->socket, network.socketWindow, kSocketWindowMessage,
                           FD_ACCEPT) == SOCKET_ERROR) {
    LogSocketError("WSAAsyncSelectのエラー in StartListenNetWork");
    return UndoSocketRecord(record);
  }
  if (Ws2().listen(record->socket, SOMAXCONN) == SOCKET_ERROR) {
    LogSocketError("listenに失敗しました");
    return UndoSocketRecord(record);
  }
  return 0;
}

int StopListenNetWork() {
  const NetworkState& network = GetNetworkState();
  const NetworkRecord* record = network.started ? network.table.records[kNetworkListenSlot] : nullptr;
  if (!record) return -1;
  return CloseSocketHandle(MakeNetworkHandle(kNetworkListenSlot, record->check));
}

int AcceptNetWork() {
  NetworkState& network = GetNetworkState();
  if (!network.started) return -1;
  PumpSocketWindow();
  const NetworkRecord* listener = network.table.records[kNetworkListenSlot];
  if (!listener) return -1;
  const int slot = FindFreeConnectionSlot(&network.table);
  if (slot < 0) {
    AppendLog("空きソケットデータがなかったので accept を拒否しました \n");
    TurnAwayConnection(listener);
    return -1;
  }
  NetworkRecord* record = MakeSocketRecord(slot);
  if (!record) {
    TurnAwayConnection(listener);
    return -1;
  }
  record->connected = 1;
  record->unannounced = 1;
  sockaddr_in address = {};
  int length = sizeof address;
  record->socket = Ws2().accept(listener->socket, reinterpret_cast<sockaddr*>(&address), &length);
  if (record->socket == INVALID_SOCKET) {
    record->socket = kNoSocket;
    LogSocketError("acceptに失敗しました");
    return UndoSocketRecord(record);
  }
  CopyBytes(record->peerAddress, &address.sin_addr, 4);
  record->peerPort = address.sin_port;
  if (Ws2().WSAAsyncSelect(record->socket, network.socketWindow, kSocketWindowMessage,
                           kConnectionEvents) == SOCKET_ERROR) {
    LogSocketError("WSAAsyncSelectのエラー in AcceptNetWork");
    return UndoSocketRecord(record);
  }
  return 1;
}

int GetNewAcceptNetWork() {
  NetworkState& network = GetNetworkState();
  if (!network.started) return -1;
  PumpSocketWindow();
  // The list holds the newest first, so the oldest unannounced is nearest the tail.
  for (ListNode* node = network.table.tail.previous; node && node != &network.table.head;
       node = node->previous) {
    auto* record = static_cast<NetworkRecord*>(node->data);
    if (record->unannounced) {
      record->unannounced = 0;
      return NetworkRecordHandle(record);
    }
  }
  return -1;
}

int ConnectNetWork(const char* host, int port) {
  if (!host || !ValidPort(port) || StartNetWork() != 0) return -1;
  NetworkState& network = GetNetworkState();
  unsigned char peer[4];
  if (ResolveIPv4Address(host, peer) != 0) return -1;
  const int slot = FindFreeConnectionSlot(&network.table);
  if (slot < 0) return AppendLog("空きソケットデータがなかったので接続できませんでした\n");
  NetworkRecord* record = MakeSocketRecord(slot);
  if (!record) return -1;
  const sockaddr_in address = MakeSocketAddress(peer, port);
  CopyBytes(record->peerAddress, peer, 4);
  record->peerPort = address.sin_port;
  record->socket = Ws2().socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (record->socket == INVALID_SOCKET) {
    record->socket = kNoSocket;
    LogSocketError("socketの作成に失敗しました in ConnectNetWork");
    return UndoSocketRecord(record);
  }
  // Selecting the events first makes the socket non-blocking, so the wait
  // below can give up.
  if (Ws2().WSAAsyncSelect(record->socket, network.socketWindow, kSocketWindowMessage,
                           FD_CONNECT | kConnectionEvents) == SOCKET_ERROR) {
    LogSocketError("WSAAsyncSelectのエラー in ConnectNetWork");
    return UndoSocketRecord(record);
  }
  if (Ws2().connect(record->socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) ==
      0) {
    record->connected = 1;
  } else if (Ws2().WSAGetLastError() != WSAEWOULDBLOCK) {
    LogSocketError("connectに失敗しました");
    return UndoSocketRecord(record);
  }
  const int error = WaitForConnection(record);
  if (error != 0) {
    LogSocketErrorCode(error, "connectに失敗しました");
    return UndoSocketRecord(record);
  }
  return NetworkRecordHandle(record);
}

int IsNetWorkConnected(int handle) {
  if (!FindConnectionRecord(handle)) return -1;
  PumpSocketWindow();
  const NetworkRecord* record = FindConnectionRecord(handle);
  return record ? record->connected : -1;
}

int GetNetWorkPeerAddress(int handle, unsigned char address[4], int* port) {
  const NetworkRecord* record = FindConnectionRecord(handle);
  if (!record) return -1;
  if (address) CopyBytes(address, record->peerAddress, 4);
  if (port) *port = Ws2().ntohs(static_cast<unsigned short>(record->peerPort));
  return 0;
}
