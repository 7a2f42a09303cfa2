// The socket layer on loopback inside one process: library handles talk to
// each other and to a plain WinSock socket that plays a peer whose bytes the
// test controls.
#include <winsock2.h>

#include "system/network.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/image_fixtures.h"
#include "support/library_session.h"
#include "support/log_capture.h"
#include "system/handle_table.h"

namespace {

constexpr DWORD kPatienceMilliseconds = 5000;

std::string Frame(const std::string& body) {
  unsigned char prefix[kMessagePrefixBytes];
  EncodeMessageLength(static_cast<uint32_t>(body.size()), prefix);
  return std::string(reinterpret_cast<char*>(prefix), kMessagePrefixBytes) + body;
}

std::string Pattern(int size) {
  std::string bytes(size, '\0');
  for (int i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 31 + i / 251) & 0xFF);
  return bytes;
}

// Runs frames until done() holds; false when it never did.
bool PumpUntil(const std::function<bool()>& done) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > kPatienceMilliseconds || PumpMessages() != 0) return false;
    Sleep(1);
  }
  return true;
}

void PumpFrames(int count) {
  for (int i = 0; i < count; ++i) {
    PumpMessages();
    Sleep(1);
  }
}

// Ports from a range of this process's own, so that test processes running
// side by side rarely meet; a port in use is skipped.
int NextPort() {
  static int next = 20000 + static_cast<int>(GetCurrentProcessId() * 97 % 30000);
  return next++;
}

int ListenOnFreePort() {
  for (int tries = 0; tries < 100; ++tries) {
    const int port = NextPort();
    if (StartListenNetWork(port) == 0) return port;
  }
  return -1;
}

int DatagramOnFreePort(int* port) {
  for (int tries = 0; tries < 100; ++tries) {
    *port = NextPort();
    const int handle = MakeDatagramSocket(*port);
    if (handle >= 0) return handle;
  }
  return -1;
}

std::string ReadAll(int handle) {
  const int size = GetNetWorkDataLength(handle);
  if (size <= 0) return "";
  std::string bytes(size, '\0');
  EXPECT_EQ(ReadNetWorkData(handle, bytes.data(), size), size);
  return bytes;
}

// Runs frames until size bytes are ready, then reads everything ready.
std::string AwaitData(int handle, int size) {
  EXPECT_TRUE(PumpUntil([&] { return GetNetWorkDataLength(handle) >= size; })) << size;
  return ReadAll(handle);
}

bool Write(int handle, const std::string& bytes) {
  return WriteNetWorkData(handle, bytes.data(), static_cast<int>(bytes.size())) == 0;
}

// A blocking WinSock connection to the library's listening port, with a
// receive time-out so that a missing byte fails the test instead of hanging.
class RawPeer {
 public:
  explicit RawPeer(int port) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    socket_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    DWORD timeout = kPatienceMilliseconds;
    setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
               sizeof timeout);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    connected_ = ::connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~RawPeer() {
    Close();
    WSACleanup();
  }
  RawPeer(const RawPeer&) = delete;
  RawPeer& operator=(const RawPeer&) = delete;

  bool connected() const { return connected_; }

  void Send(const std::string& bytes) {
    ASSERT_EQ(::send(socket_, bytes.data(), static_cast<int>(bytes.size()), 0),
              static_cast<int>(bytes.size()));
  }

  std::string Receive(size_t size) {
    std::string bytes;
    char buffer[4096];
    while (bytes.size() < size) {
      const int want = static_cast<int>(std::min(sizeof buffer, size - bytes.size()));
      const int got = ::recv(socket_, buffer, want, 0);
      if (got <= 0) break;
      bytes.append(buffer, got);
    }
    return bytes;
  }

  // The library's side has ended the connection.
  bool SeesClose() {
    char byte;
    return ::recv(socket_, &byte, 1, 0) == 0;
  }

  void Close() {
    if (socket_ != INVALID_SOCKET) ::closesocket(socket_);
    socket_ = INVALID_SOCKET;
  }

 private:
  SOCKET socket_ = INVALID_SOCKET;
  bool connected_ = false;
};

class NetworkTest : public StartedLibraryTest {
 protected:
  void SetUp() override {
    StartedLibraryTest::SetUp();
    port_ = ListenOnFreePort();
    ASSERT_GT(port_, 0);
  }

  // The connection the listening socket accepts next.
  int Accepted() {
    int handle = -1;
    PumpUntil([&] { return (handle = GetNewAcceptNetWork()) >= 0; });
    return handle;
  }

  // A connection between two library handles.
  void Connect(int* client, int* server) {
    *client = ConnectNetWork("127.0.0.1", port_);
    ASSERT_GE(*client, 0);
    *server = Accepted();
    ASSERT_GE(*server, 0);
  }

  NetworkRecord* Record(int handle) { return FindNetworkRecord(&GetNetworkState().table, handle); }

  int port_ = -1;
};

TEST(NetworkBeforeStartTest, NothingStartsBeforeTheLibrary) {
  EXPECT_EQ(StartListenNetWork(30000), -1);
  EXPECT_EQ(ConnectNetWork("127.0.0.1", 30000), -1);
  EXPECT_EQ(MakeDatagramSocket(-1), -1);
  EXPECT_EQ(GetNetworkState().started, 0);
  EXPECT_EQ(EndNetWork(), 0);
}

TEST_F(StartedLibraryTest, EveryCallFailsQuietlyWhileTheNetworkIsNotStarted) {
  LogCapture log;
  const int handle = MakeNetworkHandle(0, 0);
  char buffer[4];
  unsigned char address[4];
  int port;
  const int results[] = {
      RecvSocket(handle),
      SendSocket(handle),
      AcceptNetWork(),
      GetNewAcceptNetWork(),
      StopListenNetWork(),
      IsNetWorkConnected(handle),
      GetNetWorkPeerAddress(handle, address, &port),
      GetNetWorkDataLength(handle),
      ReadNetWorkData(handle, buffer, 4),
      WriteNetWorkData(handle, "abcd", 4),
      CloseSocketHandle(handle),
      IsDatagramWaiting(handle),
      ReceiveDatagram(handle, buffer, 4, address, &port),
      SendDatagram(handle, "127.0.0.1", 9, "a", 1),
      DropSocketHandle(handle),
  };
  for (int result : results) EXPECT_EQ(result, -1);
  EXPECT_EQ(PumpNetWorkMessages(1), 0);
  EXPECT_EQ(EndNetWork(), 0);
  EXPECT_EQ(log.ReadNormalized(), "");
  // An event for a socket nobody has is reported.
  EXPECT_EQ(HandleSocketMessage(123, FD_READ), 0);
  EXPECT_EQ(log.ReadNormalized(), "#:通信エラー No.1\r\n");
}

TEST_F(NetworkTest, TwoHandlesOfOneProcessTalk) {
  int client;
  int server;
  Connect(&client, &server);
  EXPECT_EQ(HandleKindOf(client), kHandleKindNetwork);
  EXPECT_LT(HandleSlot(server), kNetworkConnectionSlots);
  EXPECT_NE(client, server);
  EXPECT_EQ(GetNewAcceptNetWork(), -1);
  EXPECT_EQ(IsNetWorkConnected(client), 1);
  EXPECT_EQ(IsNetWorkConnected(server), 1);

  unsigned char address[4];
  int port = 0;
  ASSERT_EQ(GetNetWorkPeerAddress(client, address, &port), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(address), 4), std::string("\x7F\x00\x00\x01", 4));
  EXPECT_EQ(port, port_);
  ASSERT_EQ(GetNetWorkPeerAddress(server, address, &port), 0);
  EXPECT_EQ(address[0], 127);
  EXPECT_GT(port, 0);

  ASSERT_TRUE(Write(client, "hello"));
  ASSERT_TRUE(Write(client, "world"));
  EXPECT_EQ(AwaitData(server, 10), "helloworld");
  ASSERT_TRUE(Write(server, "pong"));
  EXPECT_EQ(AwaitData(client, 4), "pong");

  // A host name is looked up.
  const int named = ConnectNetWork("localhost", port_);
  EXPECT_GE(named, 0);
  EXPECT_GE(Accepted(), 0);
}

TEST_F(NetworkTest, TheWireCarriesALittleEndianLengthBeforeEachMessage) {
  RawPeer peer(port_);
  ASSERT_TRUE(peer.connected());
  const int server = Accepted();
  ASSERT_GE(server, 0);
  const std::string longer = Pattern(300);
  ASSERT_TRUE(Write(server, "abc"));
  ASSERT_TRUE(Write(server, longer));
  EXPECT_EQ(peer.Receive(7), std::string("\x03\x00\x00\x00" "abc", 7));
  EXPECT_EQ(peer.Receive(304), std::string("\x2C\x01\x00\x00", 4) + longer);
}

TEST_F(NetworkTest, MessagesSplitAndJoinedOnTheWireArriveWhole) {
  RawPeer peer(port_);
  const int server = Accepted();
  ASSERT_GE(server, 0);
  const std::string wire = Frame("first") + Frame("second");

  // A message and a half: only the whole one can be read.
  peer.Send(wire.substr(0, 13));
  ASSERT_TRUE(PumpUntil([&] { return GetNetWorkDataLength(server) == 5; }));
  PumpFrames(5);
  EXPECT_EQ(GetNetWorkDataLength(server), 5);
  EXPECT_EQ(ReadAll(server), "first");
  // The rest a byte at a time, the prefix of the next message with it.
  const std::string rest = wire.substr(13) + Frame("third").substr(0, 2);
  for (char byte : rest) {
    peer.Send(std::string(1, byte));
    PumpFrames(1);
  }
  EXPECT_EQ(AwaitData(server, 6), "second");
  // Three messages, an empty one among them, in one send.
  peer.Send(Frame("third").substr(2) + Frame("") + Frame("fourth"));
  EXPECT_EQ(AwaitData(server, 11), "thirdfourth");
}

TEST_F(NetworkTest, MessagesLargerThanEveryBufferArriveWhole) {
  int client;
  int server;
  Connect(&client, &server);
  const std::string large = Pattern(3 * 1024 * 1024 + 7);
  const std::string small = "after";
  ASSERT_TRUE(Write(client, large));
  ASSERT_TRUE(Write(client, small));
  // Read through a buffer far smaller than the message, as it becomes ready.
  std::string received;
  ASSERT_TRUE(PumpUntil([&] {
    char buffer[1000];
    int got;
    while ((got = ReadNetWorkData(server, buffer, sizeof buffer)) > 0) received.append(buffer, got);
    return received.size() >= large.size() + small.size();
  }));
  EXPECT_TRUE(received == large + small);
  EXPECT_EQ(Record(client)->send.ring.stored, 0);
}

TEST_F(NetworkTest, ClosingIsSeenByThePeer) {
  int client;
  int server;
  Connect(&client, &server);
  ASSERT_TRUE(Write(client, "last words"));
  EXPECT_EQ(CloseSocketHandle(client), 0);
  ASSERT_TRUE(PumpUntil([&] { return IsNetWorkConnected(server) == 0; }));
  // What was sent before the close can still be read; nothing can be written.
  EXPECT_EQ(ReadAll(server), "last words");
  EXPECT_FALSE(Write(server, "anyone?"));
  EXPECT_EQ(CloseSocketHandle(server), 0);

  RawPeer peer(port_);
  const int accepted = Accepted();
  ASSERT_GE(accepted, 0);
  ASSERT_TRUE(Write(accepted, "bye"));
  EXPECT_EQ(CloseSocketHandle(accepted), 0);
  EXPECT_EQ(peer.Receive(7), Frame("bye"));
  EXPECT_TRUE(peer.SeesClose());

  RawPeer leaving(port_);
  const int other = Accepted();
  ASSERT_GE(other, 0);
  leaving.Close();
  // Nothing was left to read, so the frame that takes the peer's close may
  // free the handle at once: the handle is seen either unconnected or gone.
  EXPECT_TRUE(PumpUntil([&] { return IsNetWorkConnected(other) <= 0; }));
  EXPECT_TRUE(PumpUntil([&] { return Record(other) == nullptr; }));
}

TEST_F(NetworkTest, AConnectionThePeerEndedIsFreedOnceItsMessagesAreRead) {
  const int before = GetNetworkState().table.count;
  RawPeer peer(port_);
  const int accepted = Accepted();
  ASSERT_GE(accepted, 0);
  peer.Send(Frame("a") + Frame("bc") + Frame("unfinished").substr(0, 9));
  peer.Close();
  ASSERT_TRUE(PumpUntil([&] { return IsNetWorkConnected(accepted) == 0; }));
  PumpFrames(20);
  ASSERT_NE(Record(accepted), nullptr);
  EXPECT_EQ(ReadAll(accepted), "abc");
  EXPECT_TRUE(PumpUntil([&] { return Record(accepted) == nullptr; }));
  EXPECT_EQ(GetNetworkState().table.count, before);
}

TEST_F(NetworkTest, ClosedHandlesAndHandlesOfOtherKindsAreRefused) {
  int client;
  int server;
  Connect(&client, &server);
  ASSERT_EQ(CloseSocketHandle(client), 0);
  int reused;
  Connect(&reused, &server);
  ASSERT_EQ(HandleSlot(reused), HandleSlot(client));
  ASSERT_NE(reused, client);

  const int listening =
      MakeNetworkHandle(kNetworkListenSlot, GetNetworkState().table.records[kNetworkListenSlot]->check);
  char buffer[4];
  const int refused[] = {
      client,
      MakeHandle(HandleSlot(reused), HandleCheck(reused), kHandleKindGraph),
      -1,
      MakeNetworkHandle(kNetworkSlotCount, 0),
      listening,
  };
  for (int handle : refused) {
    SCOPED_TRACE(handle);
    EXPECT_EQ(GetNetWorkDataLength(handle), -1);
    EXPECT_EQ(ReadNetWorkData(handle, buffer, 4), -1);
    EXPECT_EQ(WriteNetWorkData(handle, "abcd", 4), -1);
    EXPECT_EQ(IsNetWorkConnected(handle), -1);
    EXPECT_EQ(GetNetWorkPeerAddress(handle, nullptr, nullptr), -1);
    EXPECT_EQ(DropSocketHandle(handle), -1);
  }
  EXPECT_EQ(CloseSocketHandle(client), -1);
  EXPECT_EQ(ReadNetWorkData(reused, nullptr, 4), -1);
  EXPECT_EQ(WriteNetWorkData(reused, "abcd", -1), -1);
  EXPECT_EQ(IsNetWorkConnected(reused), 1);
}

TEST_F(NetworkTest, ARefusedConnectionLeavesNothingBehind) {
  // A port that was just given up has nobody listening.
  ASSERT_EQ(StopListenNetWork(), 0);
  EXPECT_EQ(StopListenNetWork(), -1);
  const int count = GetNetworkState().table.count;
  const TrackedTotals before = TrackedTotals::Now();
  LogCapture log;
  EXPECT_EQ(ConnectNetWork("127.0.0.1", port_), -1);
  EXPECT_EQ(log.ReadNormalized(), "#:ネットワークログ。connectに失敗しました[10061]\r\n");
  EXPECT_EQ(GetNetworkState().table.count, count);
  EXPECT_TRUE(TrackedTotals::Now() == before);

  const int badPorts[] = {0, -1, 65536};
  for (int port : badPorts) EXPECT_EQ(ConnectNetWork("127.0.0.1", port), -1);
  EXPECT_EQ(ConnectNetWork(nullptr, port_), -1);
}

TEST_F(NetworkTest, ImpossibleLengthsCloseOnlyTheirConnection) {
  int client;
  int server;
  Connect(&client, &server);
  // All ones, and one past the largest message.
  const std::string lengths[] = {std::string("\xFF\xFF\xFF\xFF", 4),
                                 std::string("\x01\x00\x00\x04", 4)};
  for (const std::string& prefix : lengths) {
    SCOPED_TRACE(prefix.size());
    RawPeer peer(port_);
    const int hostile = Accepted();
    ASSERT_GE(hostile, 0);
    LogCapture log;
    peer.Send(Frame("fine") + prefix + "junk");
    ASSERT_TRUE(PumpUntil([&] { return Record(hostile) == nullptr; }));
    EXPECT_NE(log.Read().find("受信データを保存するリングバッファのリサイズに失敗しました"),
              std::string::npos);
    EXPECT_TRUE(peer.SeesClose());
    EXPECT_EQ(GetNetWorkDataLength(hostile), -1);
  }
  ASSERT_TRUE(Write(client, "still here"));
  EXPECT_EQ(AwaitData(server, 10), "still here");
}

TEST_F(NetworkTest, AConnectionWithAnErrorClosesWithoutRetrying) {
  int client;
  int server;
  Connect(&client, &server);
  NetworkRecord* record = Record(server);
  ASSERT_EQ(WriteRingBuffer(&record->send.ring, "stuck", 5), 0);
  record->error = 1;
  LogCapture log;
  EXPECT_EQ(CloseSocketHandle(server), 0);
  EXPECT_EQ(log.Read(), "");
  EXPECT_EQ(Record(server), nullptr);
}

TEST_F(NetworkTest, AFullTableTurnsConnectionsAwayAndGoesOnListening) {
  NetworkState& network = GetNetworkState();
  std::vector<NetworkRecord*> fillers;
  while (FindFreeConnectionSlot(&network.table) >= 0) {
    NetworkRecord* record = MakeSocketRecord(FindFreeConnectionSlot(&network.table));
    ASSERT_NE(record, nullptr);
    fillers.push_back(record);
  }
  ASSERT_EQ(fillers.size(), static_cast<size_t>(kNetworkConnectionSlots));
  NetworkRecord* listener = network.table.records[kNetworkListenSlot];
  {
    LogCapture log;
    EXPECT_EQ(ConnectNetWork("127.0.0.1", port_), -1);
    EXPECT_EQ(MakeDatagramSocket(-1), -1);
    RawPeer refused(port_);
    ASSERT_TRUE(refused.connected());
    EXPECT_TRUE(PumpUntil([&] {
      return log.Read().find("空きソケットデータがなかったので accept を拒否しました \r\n") !=
             std::string::npos;
    }));
    EXPECT_TRUE(refused.SeesClose());
    EXPECT_EQ(network.table.records[kNetworkListenSlot], listener);
  }
  UndoSocketRecord(fillers[100]);
  fillers.erase(fillers.begin() + 100);
  RawPeer welcome(port_);
  const int accepted = Accepted();
  EXPECT_EQ(HandleSlot(accepted), 100);
  for (NetworkRecord* record : fillers) UndoSocketRecord(record);
}

TEST_F(NetworkTest, ReadEventsThatFindTheReceiverBusyAreNotLost) {
  std::vector<std::unique_ptr<RawPeer>> peers;
  std::vector<int> servers;
  for (int i = 0; i < 4; ++i) {
    peers.push_back(std::make_unique<RawPeer>(port_));
    servers.push_back(Accepted());
    ASSERT_GE(servers.back(), 0);
  }
  for (auto& peer : peers) peer->Send(Frame("from a peer"));
  // Only the message pass runs: nobody asks a handle for its data.
  EXPECT_TRUE(PumpUntil([&] {
    for (int server : servers) {
      if (Record(server)->receive.completeBytes != 11) return false;
    }
    return true;
  }));
}

TEST_F(NetworkTest, EndingTheNetworkClosesEveryHandleAndFreesEverything) {
  EndNetWork();
  const TrackedTotals beforeTraffic = TrackedTotals::Now();
  port_ = ListenOnFreePort();
  int client;
  int server;
  Connect(&client, &server);
  ASSERT_TRUE(Write(client, Pattern(5000)));
  int datagramPort;
  ASSERT_GE(DatagramOnFreePort(&datagramPort), 0);
  RawPeer peer(port_);
  const int toPeer = Accepted();
  ASSERT_TRUE(Write(toPeer, "goodbye"));
  {
    LogCapture log;
    EXPECT_EQ(EndNetWork(), 0);
    const std::string text = log.ReadNormalized();
    EXPECT_EQ(text.find("#:ネットワーク関連の終了処理を行います \r\n"), 0u);
    EXPECT_NE(text.find("#:ネットワーク関連の終了処理は完了しました\r\n"), std::string::npos);
  }
  EXPECT_EQ(peer.Receive(11), Frame("goodbye"));
  EXPECT_TRUE(peer.SeesClose());
  EXPECT_EQ(GetNetworkState().started, 0);
  EXPECT_EQ(IsNetWorkConnected(client), -1);
  // The table, the list, the rings and the records are all given back.
  EXPECT_TRUE(TrackedTotals::Now() == beforeTraffic);

  // The network starts again, and library shut-down ends it.
  const int again = ListenOnFreePort();
  ASSERT_GT(again, 0);
  RawPeer second(again);
  ASSERT_GE(Accepted(), 0);
  session_.reset();
  EXPECT_EQ(GetNetworkState().started, 0);
  EXPECT_TRUE(second.SeesClose());
}

TEST_F(NetworkTest, DatagramsTravelBetweenTwoSockets) {
  int portA;
  const int a = DatagramOnFreePort(&portA);
  const int b = MakeDatagramSocket(-1);
  ASSERT_GE(a, 0);
  ASSERT_GE(b, 0);
  char buffer[64];
  unsigned char address[4];
  int port = 0;
  EXPECT_EQ(IsDatagramWaiting(a), 0);
  {
    LogCapture log;
    EXPECT_EQ(ReceiveDatagram(a, buffer, sizeof buffer, address, &port), -1);
    EXPECT_EQ(log.Read(), "");
  }

  ASSERT_EQ(SendDatagram(b, "127.0.0.1", portA, "ping", 4), 0);
  ASSERT_TRUE(PumpUntil([&] { return IsDatagramWaiting(a) == 1; }));
  ASSERT_EQ(ReceiveDatagram(a, buffer, sizeof buffer, address, &port), 4);
  EXPECT_EQ(std::string(buffer, 4), "ping");
  EXPECT_EQ(address[0], 127);
  ASSERT_GT(port, 0);
  ASSERT_EQ(SendDatagram(a, "127.0.0.1", port, "pong", 4), 0);
  ASSERT_TRUE(PumpUntil([&] { return IsDatagramWaiting(b) == 1; }));
  ASSERT_EQ(ReceiveDatagram(b, buffer, sizeof buffer, nullptr, nullptr), 4);
  EXPECT_EQ(std::string(buffer, 4), "pong");

  // A datagram longer than the buffer is reported, not passed off as whole.
  ASSERT_EQ(SendDatagram(b, "127.0.0.1", portA, "too long for it", 15), 0);
  ASSERT_TRUE(PumpUntil([&] { return IsDatagramWaiting(a) == 1; }));
  EXPECT_EQ(ReceiveDatagram(a, buffer, 4, nullptr, nullptr), -1);
  EXPECT_EQ(IsDatagramWaiting(a), 0);

  // Stream calls refuse datagram sockets and the other way round.
  int client;
  int server;
  Connect(&client, &server);
  EXPECT_EQ(CloseSocketHandle(a), -1);
  EXPECT_EQ(ReadNetWorkData(a, buffer, 4), -1);
  EXPECT_EQ(WriteNetWorkData(a, "x", 1), -1);
  EXPECT_EQ(DropSocketHandle(client), -1);
  EXPECT_EQ(SendDatagram(client, "127.0.0.1", portA, "x", 1), -1);
  EXPECT_EQ(DropSocketHandle(a), 0);
  EXPECT_EQ(DropSocketHandle(a), -1);
  EXPECT_EQ(SendDatagram(a, "127.0.0.1", port, "x", 1), -1);
}

}  // namespace
