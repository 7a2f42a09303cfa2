#include "system/network.h"

#include <stdarg.h>

#include "system/clock.h"
#include "system/handle_table.h"
#include "system/log.h"
#include "system/string_helpers.h"
#include "system/system_state.h"

namespace {

constexpr char kSocketWindowClass[] = "OmbrelNetWorkWindow";
constexpr DWORD kCloseDrainMilliseconds = 1000;
constexpr int kEndSweeps = 3;

NetworkState network;

LRESULT CALLBACK SocketWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kSocketWindowMessage:
      return HandleSocketMessage(wParam, lParam);
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      network.socketWindowDestroyed = 1;
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

bool Ws2Bound() {
  const Ws2Functions& ws2 = Ws2();
  return ws2.WSAStartup && ws2.WSACleanup && ws2.WSAGetLastError && ws2.WSAAsyncSelect &&
         ws2.socket && ws2.closesocket && ws2.bind && ws2.listen && ws2.accept && ws2.connect &&
         ws2.send && ws2.recv && ws2.sendto && ws2.recvfrom && ws2.htons && ws2.ntohs &&
         ws2.inet_addr && ws2.gethostbyname;
}

HWND MakeSocketWindow() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = SocketWindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kSocketWindowClass;
  if (!RegisterClassA(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return nullptr;
  // A message-only window: never shown, never found among the desktop's windows.
  return CreateWindowExA(0, kSocketWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance,
                         nullptr);
}

void EndSocketWindow() {
  if (!network.socketWindow) return;
  PostMessageA(network.socketWindow, WM_CLOSE, 0, 0);
  if (!network.socketWindowDestroyed) PumpSocketWindow();
  if (!network.socketWindowDestroyed) DestroyWindow(network.socketWindow);
  UnregisterClassA(kSocketWindowClass, GetModuleHandleA(nullptr));
}

bool IsConnection(const NetworkRecord* record) {
  return record->valid && !record->datagram &&
         record != network.table.records[kNetworkListenSlot];
}

// A connection the peer has ended is closed once the program has read every
// whole message it left; what is still on its way in is taken first.
bool ShouldCloseInPass(const NetworkRecord* record) {
  if (!IsConnection(record)) return false;
  if (record->error) return true;
  return record->closed && record->autoClose && record->receive.completeBytes == 0 &&
         !(record->deferredEvents & FD_READ);
}

// A read or write event that finds its call busy is kept for the next
// frame: WinSock announces a socket's data (or room) once until it is used,
// so a dropped event would stall the connection.
void RunOrDefer(NetworkRecord* record, int event) {
  const int busy = event == FD_READ ? network.receiving : network.sending;
  if (busy) {
    record->deferredEvents |= event;
  } else if (event == FD_READ) {
    RecvSocket(NetworkRecordHandle(record));
  } else {
    SendSocket(NetworkRecordHandle(record));
  }
}

void RunDeferredEvents(NetworkRecord* record) {
  const int events = record->deferredEvents;
  record->deferredEvents = 0;
  if (events & FD_READ) RunOrDefer(record, FD_READ);
  if (events & FD_WRITE) RunOrDefer(record, FD_WRITE);
}

// Every record is visited once even while the calls made for it accept new
// connections (linked at the front) or close the record itself.
template <typename Visit>
void ForEachRecord(Visit visit) {
  ListNode* node = network.table.head.next;
  while (node && node != &network.table.tail) {
    ListNode* next = node->next;
    visit(static_cast<NetworkRecord*>(node->data));
    node = next;
  }
}

bool DrainTimeLeft(uint32_t start) {
  return ((ReadMultimediaTime() & 0x7FFFFFFF) - start) < kCloseDrainMilliseconds;
}

void FreeSocketRecord(NetworkRecord* record) {
  Ws2().WSAAsyncSelect(record->socket, network.socketWindow, 0, 0);
  Ws2().closesocket(record->socket);
  FreeMessageRings(&record->receive, &record->send, &network.receiveMemory);
  RemoveNetworkRecord(&network.table, record);
}

}  // namespace

NetworkState& GetNetworkState() { return network; }

void RenewNetWorkFrameBudget() {
  network.frameBudget = MessagePassBudget{kFrameReceiveMessages, kFrameReceiveBytes};
}

Ws2Functions& Ws2() { return GetSystemState().dlls.ws2; }

int StartNetWork() {
  if (network.started) return 0;
  if (!Ws2Bound()) return AppendLog("WinSock の関数が読み込まれていません\n");
  WSADATA data;
  if (Ws2().WSAStartup(MAKEWORD(2, 2), &data) != 0) {
    return AppendLog("WinSock の初期化に失敗しました\n");
  }
  HWND window = MakeSocketWindow();
  if (!window) {
    Ws2().WSACleanup();
    return AppendLog("ネットワーク用のウインドウの作成に失敗しました\n");
  }
  network = NetworkState{};
  ResetNetworkTable(&network.table);
  network.socketWindow = window;
  network.receiveMemory.limit = kReceiveMemoryLimit;
  RenewNetWorkFrameBudget();
  network.started = 1;
  return 0;
}

int EndNetWork() {
  if (!network.started) return 0;
  AppendLog("ネットワーク関連の終了処理を行います \n");
  // Closing pumps the socket window, which may accept one more connection
  // into a slot already passed; later sweeps close those too.
  for (int sweep = 0; sweep < kEndSweeps && network.table.count > 0; ++sweep) {
    for (int slot = 0; slot < kNetworkSlotCount; ++slot) {
      const NetworkRecord* record = network.table.records[slot];
      if (!record) continue;
      const int handle = MakeNetworkHandle(slot, record->check);
      if (record->datagram) {
        DropSocketHandle(handle);
      } else {
        CloseSocketHandle(handle);
      }
    }
  }
  EndSocketWindow();
  network = NetworkState{};
  Ws2().WSACleanup();
  AppendLog("ネットワーク関連の終了処理は完了しました\n");
  return 0;
}

int PumpSocketWindow() {
  if (!network.socketWindow || network.socketWindowDestroyed) return -1;
  MSG message;
  while (!network.socketWindowDestroyed &&
         PeekMessageA(&message, network.socketWindow, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return network.socketWindowDestroyed ? -1 : 0;
}

int PumpNetWorkMessages(int closeFailed) {
  if (!network.started || !network.socketWindow) return 0;
  if (closeFailed == 1) {
    ForEachRecord([](NetworkRecord* record) {
      if (!IsConnection(record)) return;
      // The peer may have sent its last bytes with its close.
      if (record->closed && !record->error) record->deferredEvents |= FD_READ;
      if (record->deferredEvents) RunDeferredEvents(record);
    });
    ForEachRecord([](NetworkRecord* record) {
      if (ShouldCloseInPass(record)) CloseSocketHandle(NetworkRecordHandle(record));
    });
  }
  PumpSocketWindow();
  return 0;
}

LRESULT HandleSocketMessage(WPARAM socket, LPARAM eventWord) {
  NetworkRecord* record = nullptr;
  if (network.started) {
    ForEachRecord([&](NetworkRecord* candidate) {
      if (!record && candidate->socket == socket) record = candidate;
    });
  }
  if (!record) {
    AppendLog("通信エラー No.1\n");
    return 0;
  }
  const int event = WSAGETSELECTEVENT(eventWord);
  const int error = WSAGETSELECTERROR(eventWord);
  if (record->datagram) {
    if (event == FD_READ) record->dataArrived = 1;
    if (event == FD_WRITE) record->writable = 1;
    return 1;
  }
  switch (event) {
    case FD_READ:
    case FD_WRITE:
      RunOrDefer(record, event);
      break;
    case FD_ACCEPT:
      return AcceptNetWork();
    case FD_CONNECT:
      if (error == 0) record->connected = 1;
      break;
    case FD_CLOSE:
      record->connected = 0;
      record->closed = 1;
      break;
    default:
      break;
  }
  return 1;
}

int CloseSocketHandle(int handle) {
  if (!network.started) return -1;
  NetworkRecord* record = FindNetworkRecord(&network.table, handle);
  if (!record || !record->valid || record->datagram) return -1;
  // An errored connection moves nothing more, and one the peer has ended
  // neither: draining them would only spin.
  bool ended = PumpSocketWindow() != 0 || record->error || record->closed;
  uint32_t start = ReadMultimediaTime() & 0x7FFFFFFF;
  while (!ended && record->receive.missing > 0 && DrainTimeLeft(start)) {
    ended = PumpSocketWindow() != 0;
    if (!ended) RecvSocket(handle);
  }
  start = ReadMultimediaTime() & 0x7FFFFFFF;
  while (!ended && record->send.ring.stored > 0 && DrainTimeLeft(start)) {
    ended = PumpSocketWindow() != 0;
    if (!ended) SendSocket(handle);
  }
  FreeSocketRecord(record);
  return 0;
}

int DropSocketHandle(int handle) {
  if (!network.started) return -1;
  NetworkRecord* record = FindNetworkRecord(&network.table, handle);
  if (!record || !record->valid || !record->datagram) return -1;
  FreeSocketRecord(record);
  return 0;
}

int LogSocketError(const char* format, ...) {
  const int code = Ws2().WSAGetLastError ? Ws2().WSAGetLastError() : 0;
  char text[1024];
  va_list args;
  va_start(args, format);
  FormatStringV(text, sizeof text, format, args);
  va_end(args);
  return LogSocketErrorCode(code, text);
}

int LogSocketErrorCode(int code, const char* text) {
  return AppendLogFormat("ネットワークログ。%s[%d]", text, code);
}

NetworkRecord* MakeSocketRecord(int slot) {
  NetworkRecord* record = AddNetworkRecord(&network.table, slot);
  if (!record) {
    AppendLog("ソケット用のメモリの確保に失敗しました\n");
    return nullptr;
  }
  record->valid = 1;
  record->socket = kNoSocket;
  record->lengthPrefixed = network.rawMode ? 0 : 1;
  record->autoClose = network.noAutoClose ? 0 : 1;
  return record;
}

int UndoSocketRecord(NetworkRecord* record) {
  if (record->socket != kNoSocket) Ws2().closesocket(record->socket);
  FreeMessageRings(&record->receive, &record->send, &network.receiveMemory);
  record->valid = 0;
  RemoveNetworkRecord(&network.table, record);
  return -1;
}

NetworkRecord* FindConnectionRecord(int handle) {
  if (!network.started) return nullptr;
  NetworkRecord* record = FindNetworkRecord(&network.table, handle);
  if (!record || !record->valid || record->datagram) return nullptr;
  if (HandleSlot(handle) == kNetworkListenSlot) return nullptr;
  return record;
}

sockaddr_in MakeSocketAddress(const unsigned char address[4], int port) {
  sockaddr_in result = {};
  result.sin_family = AF_INET;
  result.sin_port = Ws2().htons(static_cast<unsigned short>(port));
  CopyBytes(&result.sin_addr, address, 4);
  return result;
}

int ResolveIPv4Address(const char* host, unsigned char address[4]) {
  if (!host || !network.started) return -1;
  const unsigned long dotted = Ws2().inet_addr(host);
  if (dotted != INADDR_NONE) {
    CopyBytes(address, &dotted, 4);
    return 0;
  }
  const hostent* entry = Ws2().gethostbyname(host);
  if (!entry || entry->h_addrtype != AF_INET || entry->h_length != 4 || !entry->h_addr_list ||
      !entry->h_addr_list[0]) {
    return LogSocketError("%s のアドレスが見つかりませんでした", host);
  }
  CopyBytes(address, entry->h_addr_list[0], 4);
  return 0;
}
