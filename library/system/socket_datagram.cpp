// Datagram sockets: single datagrams sent to and received from any address,
// without connection, rings or length prefix.
#include "system/log.h"
#include "system/network.h"
#include "system/string_helpers.h"

namespace {

// The largest payload of an IPv4 datagram.
constexpr int kMaxDatagramBytes = 65507;

NetworkRecord* FindDatagramRecord(int handle) {
  NetworkState& network = GetNetworkState();
  if (!network.started) return nullptr;
  NetworkRecord* record = FindNetworkRecord(&network.table, handle);
  return record && record->valid && record->datagram ? record : nullptr;
}

}  // namespace

int MakeDatagramSocket(int port) {
  if (port < -1 || port > 65535 || StartNetWork() != 0) return -1;
  NetworkState& network = GetNetworkState();
  const int slot = FindFreeConnectionSlot(&network.table);
  if (slot < 0) return AppendLog("空きソケットデータがなかったのでソケットを作成できませんでした\n");
  NetworkRecord* record = MakeSocketRecord(slot);
  if (!record) return -1;
  record->datagram = 1;
  record->writable = 1;
  record->socket = Ws2().socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (record->socket == INVALID_SOCKET) {
    record->socket = kNoSocket;
    LogSocketError("socketの作成に失敗しました in MakeDatagramSocket");
    return UndoSocketRecord(record);
  }
  // Bound even for any port, so that datagrams can arrive before the first send.
  const unsigned char anyAddress[4] = {0, 0, 0, 0};
  const sockaddr_in address = MakeSocketAddress(anyAddress, port < 0 ? 0 : port);
  if (Ws2().bind(record->socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) ==
      SOCKET_ERROR) {
    LogSocketError("ポート %d の bind に失敗しました", port);
    return UndoSocketRecord(record);
  }
  if (Ws2().WSAAsyncSelect(record->socket, network.socketWindow, kSocketWindowMessage,
                           FD_READ | FD_WRITE) == SOCKET_ERROR) {
    LogSocketError("WSAAsyncSelectのエラー in MakeDatagramSocket");
    return UndoSocketRecord(record);
  }
  return NetworkRecordHandle(record);
}

int SendDatagram(int handle, const char* host, int port, const void* data, int size) {
  NetworkRecord* record = FindDatagramRecord(handle);
  if (!record || port < 1 || port > 65535 || size < 0 || size > kMaxDatagramBytes ||
      (!data && size > 0)) {
    return -1;
  }
  unsigned char peer[4];
  if (ResolveIPv4Address(host, peer) != 0) return -1;
  const sockaddr_in address = MakeSocketAddress(peer, port);
  const int sent = Ws2().sendto(record->socket, static_cast<const char*>(data), size, 0,
                                reinterpret_cast<const sockaddr*>(&address), sizeof address);
  if (sent == size) return 0;
  if (Ws2().WSAGetLastError() == WSAEWOULDBLOCK) record->writable = 0;
  return LogSocketError("sendtoに失敗しました");
}

int IsDatagramWaiting(int handle) {
  if (!FindDatagramRecord(handle)) return -1;
  PumpSocketWindow();
  const NetworkRecord* record = FindDatagramRecord(handle);
  return record ? record->dataArrived : -1;
}

int ReceiveDatagram(int handle, void* buffer, int size, unsigned char address[4], int* port) {
  NetworkRecord* record = FindDatagramRecord(handle);
  if (!record || size < 0 || (!buffer && size > 0)) return -1;
  // WinSock announces the next datagram again once this one is read.
  record->dataArrived = 0;
  sockaddr_in from = {};
  int fromLength = sizeof from;
  const int got = Ws2().recvfrom(record->socket, static_cast<char*>(buffer), size, 0,
                                 reinterpret_cast<sockaddr*>(&from), &fromLength);
  if (got == SOCKET_ERROR) {
    // Nothing waiting is no failure of the socket; a datagram longer than
    // the buffer is, since its rest is lost.
    if (Ws2().WSAGetLastError() == WSAEWOULDBLOCK) return -1;
    return LogSocketError("recvfromに失敗しました");
  }
  if (address) CopyBytes(address, &from.sin_addr, 4);
  if (port) *port = Ws2().ntohs(from.sin_port);
  return got;
}
