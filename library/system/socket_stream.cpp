// Messages between a connection's socket and its rings, and the program's
// reads and writes of the rings.
#include "system/log.h"
#include "system/network.h"

namespace {

int ReceiveFromSocket(void* context, void* buffer, int size) {
  const auto* record = static_cast<const NetworkRecord*>(context);
  return Ws2().recv(record->socket, static_cast<char*>(buffer), size, 0);
}

int SendToSocket(void* context, const void* data, int size) {
  const auto* record = static_cast<const NetworkRecord*>(context);
  return Ws2().send(record->socket, static_cast<const char*>(data), size, 0);
}

int PumpBetweenMessages(void*) { return PumpSocketWindow(); }

MessageTransport SocketTransport(NetworkRecord* record) {
  return MessageTransport{record, ReceiveFromSocket, SendToSocket, PumpBetweenMessages};
}

// Holds a re-entry flag for the length of one call, whichever way it leaves.
class BusyFlag {
 public:
  explicit BusyFlag(int* flag) : flag_(flag) { *flag_ = 1; }
  ~BusyFlag() { *flag_ = 0; }
  BusyFlag(const BusyFlag&) = delete;
  BusyFlag& operator=(const BusyFlag&) = delete;

 private:
  int* flag_;
};

NetworkRecord* FindStreamRecord(int handle) {
  NetworkState& network = GetNetworkState();
  if (!network.started) return nullptr;
  NetworkRecord* record = FindNetworkRecord(&network.table, handle);
  return record && !record->datagram ? record : nullptr;
}

// A connection the program may read or write: live and without error.
NetworkRecord* FindUsableConnection(int handle) {
  NetworkRecord* record = FindConnectionRecord(handle);
  return record && !record->error ? record : nullptr;
}

// The checks both directions make before moving bytes; false, with the
// reason logged, when the connection cannot move any.
bool ReadyToTransfer(const NetworkRecord* record, const char* caller) {
  if (!record->valid) {
    AppendLogFormat("有効なネットワークハンドルではありません in %s", caller);
    return false;
  }
  if (record->error) {
    AppendLogFormat("このネットワークハンドルにはエラーが発生しています in %s", caller);
    return false;
  }
  return true;
}

}  // namespace

int RecvSocket(int handle) {
  NetworkState& network = GetNetworkState();
  NetworkRecord* record = FindStreamRecord(handle);
  if (!record || network.receiving) return -1;
  BusyFlag busy(&network.receiving);
  PumpSocketWindow();
  if (!ReadyToTransfer(record, "RecvSocket")) return -1;
  if (!record->lengthPrefixed) return 0;
  const MessageReceiveResult result = ReceiveMessages(
      &record->receive, SocketTransport(record), &network.frameBudget, &network.receiveMemory);
  if (result == kMessageReceiveMore) {
    // WinSock announces waiting data only after the next read, so the
    // frame's pass must come back for it.
    record->deferredEvents |= FD_READ;
  } else if (result != kMessageReceiveDone) {
    record->error = 1;
    return AppendLogFormat(
        "受信データを保存するリングバッファのリサイズに失敗しました(データサイズ %d byte)",
        record->receive.messageLength);
  }
  return 0;
}

int SendSocket(int handle) {
  NetworkState& network = GetNetworkState();
  NetworkRecord* record = FindStreamRecord(handle);
  if (!record || network.sending) return -1;
  BusyFlag busy(&network.sending);
  PumpSocketWindow();
  if (!ReadyToTransfer(record, "SendSocket")) return -1;
  if (record->send.ring.stored == 0 || !record->lengthPrefixed) return 0;
  SendMessages(&record->send, SocketTransport(record));
  return 0;
}

int GetNetWorkDataLength(int handle) {
  NetworkRecord* record = FindUsableConnection(handle);
  if (!record) return -1;
  // Data whose event was taken while another receive ran is fetched here.
  RecvSocket(handle);
  return record->error ? -1 : record->receive.completeBytes;
}

int ReadNetWorkData(int handle, void* buffer, int size) {
  NetworkRecord* record = FindUsableConnection(handle);
  if (!record || size < 0 || (!buffer && size > 0)) return -1;
  RecvSocket(handle);
  if (record->error) return -1;
  return TakeReceivedBytes(&record->receive, buffer, size);
}

int WriteNetWorkData(int handle, const void* data, int size) {
  NetworkRecord* record = FindUsableConnection(handle);
  if (!record || size < 0 || (!data && size > 0)) return -1;
  // Bytes written after the peer has gone would wait forever.
  if (!record->connected) return -1;
  if (size == 0) return 0;
  if (WriteRingBuffer(&record->send.ring, data, size) != 0) {
    return AppendLogFormat(
        "送信データを保存するリングバッファのリサイズに失敗しました(データサイズ %d byte)", size);
  }
  SendSocket(handle);
  return 0;
}
