// The socket layer against a peer on the host's own network stack (the
// socket_peer program, started beside this one by the test script, its port
// in OMBREL_SOCKET_PEER_PORT). Each connection's first message tells the peer
// what to send; the peer's bytes follow one rule, checked here byte by byte.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/library_session.h"
#include "support/log_capture.h"
#include "system/network.h"

namespace {

constexpr DWORD kPatienceMilliseconds = 60000;
constexpr int kCycles = 100;

// The byte at position i of a message body the peer sends with this seed.
char PeerByte(uint32_t i, uint32_t seed) {
  return static_cast<char>((i * 131u + (i >> 9) + seed * 7u) & 0xFF);
}

std::string PeerBody(uint32_t size, uint32_t seed) {
  std::string bytes(size, '\0');
  for (uint32_t i = 0; i < size; ++i) bytes[i] = PeerByte(i, seed);
  return bytes;
}

int PeerPort() {
  const char* text = getenv("OMBREL_SOCKET_PEER_PORT");
  return text ? atoi(text) : 0;
}

NetworkRecord* Record(int handle) { return FindNetworkRecord(&GetNetworkState().table, handle); }

bool Write(int handle, const std::string& bytes) {
  return WriteNetWorkData(handle, bytes.data(), static_cast<int>(bytes.size())) == 0;
}

// Reads every whole message ready on the handle; the bytes read.
size_t ReadReady(int handle, std::string* into) {
  size_t total = 0;
  std::vector<char> buffer(1 << 20);
  int got;
  while ((got = ReadNetWorkData(handle, buffer.data(), static_cast<int>(buffer.size()))) > 0) {
    into->append(buffer.data(), got);
    total += got;
  }
  return total;
}

struct FrameCount {
  int frames = 0;
  size_t mostInOneFrame = 0;
};

// Runs frames, reading after each, until size bytes have come; the bytes.
std::string Collect(int handle, size_t size, FrameCount* count = nullptr,
                    DWORD patience = kPatienceMilliseconds) {
  std::string received;
  const DWORD start = GetTickCount();
  while (received.size() < size && GetTickCount() - start < patience) {
    if (PumpMessages() != 0) break;
    const size_t got = ReadReady(handle, &received);
    if (count) {
      ++count->frames;
      count->mostInOneFrame = std::max(count->mostInOneFrame, got);
    }
    if (got == 0) Sleep(1);
  }
  return received;
}

bool PumpUntil(const std::function<bool()>& done) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > kPatienceMilliseconds || PumpMessages() != 0) return false;
    Sleep(1);
  }
  return true;
}

class RealPeerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port_ = PeerPort();
    ASSERT_GT(port_, 0) << "OMBREL_SOCKET_PEER_PORT names the peer's port";
    LibraryOptions options;
    options.title = UniqueWindowTitle("RealPeer");
    // One pass per PumpMessages call, whether or not the window has the focus.
    options.runWhileInactive = 1;
    session_ = std::make_unique<LibrarySession>(options);
    ASSERT_EQ(session_->result(), 0);
  }

  // A connection to the peer that asks it for one behaviour.
  int Ask(const std::string& request) {
    const int handle = ConnectNetWork("127.0.0.1", port_);
    EXPECT_GE(handle, 0) << request;
    if (handle >= 0) {
      EXPECT_TRUE(Write(handle, request));
    }
    return handle;
  }

  std::unique_ptr<LibrarySession> session_;
  int port_ = 0;
};

TEST_F(RealPeerTest, FourHundredThousandOneByteMessagesArriveInOrderOverManyFrames) {
  const int handle = Ask("burst");
  ASSERT_GE(handle, 0);
  FrameCount count;
  // Every message costs a few socket calls, which are slow under a loaded
  // machine's Wine; the time allowed is generous.
  const std::string received = Collect(handle, 400000, &count, 400000);
  ASSERT_EQ(received.size(), 400000u);
  int wrong = 0;
  for (uint32_t i = 0; i < received.size(); ++i) {
    // Message i is one byte, the peer's byte i of seed 1.
    if (received[i] != PeerByte(i, 1) && ++wrong < 5) ADD_FAILURE() << "message " << i;
  }
  EXPECT_EQ(wrong, 0);
  // No frame took more than its share, so the frame loop kept its pace.
  EXPECT_LE(count.mostInOneFrame, static_cast<size_t>(kFrameReceiveMessages));
  EXPECT_GE(count.frames, 400000 / kFrameReceiveMessages);
  EXPECT_EQ(CloseSocketHandle(handle), 0);
  EXPECT_EQ(Record(handle), nullptr);
}

TEST_F(RealPeerTest, PrefixesSplitAtEveryByteArriveWhole) {
  const int handle = Ask("split");
  ASSERT_GE(handle, 0);
  std::string expected;
  for (uint32_t n = 0; n < 60; ++n) expected += PeerBody((n * 7) % 41, n);
  EXPECT_TRUE(Collect(handle, expected.size()) == expected);
  EXPECT_EQ(CloseSocketHandle(handle), 0);
}

TEST_F(RealPeerTest, LargeMessagesUpToTheLimitArriveWhole) {
  for (uint32_t size : {10u * 1024 * 1024, static_cast<uint32_t>(kMaxMessageBytes)}) {
    SCOPED_TRACE(size);
    const int handle = Ask("message " + std::to_string(size));
    ASSERT_GE(handle, 0);
    FrameCount count;
    const std::string received = Collect(handle, size, &count);
    EXPECT_TRUE(received == PeerBody(size, 2));
    EXPECT_GE(count.frames, static_cast<int>(size / kFrameReceiveBytes));
    EXPECT_EQ(CloseSocketHandle(handle), 0);
    EXPECT_EQ(GetNetworkState().receiveMemory.held, 0);
  }
}

TEST_F(RealPeerTest, LengthsPastTheLimitEndOnlyTheirConnection) {
  const int echo = Ask("echo");
  ASSERT_GE(echo, 0);
  const uint32_t lengths[] = {static_cast<uint32_t>(kMaxMessageBytes) + 1, 0x80000000u,
                              0xFFFFFFFFu};
  for (uint32_t length : lengths) {
    SCOPED_TRACE(length);
    LogCapture log;
    const int handle = Ask("refused " + std::to_string(length));
    ASSERT_GE(handle, 0);
    ASSERT_TRUE(PumpUntil([&] { return Record(handle) == nullptr; }));
    EXPECT_NE(log.Read().find("受信データを保存するリングバッファのリサイズに失敗しました"),
              std::string::npos);
    EXPECT_EQ(GetNetWorkDataLength(handle), -1);
    ASSERT_TRUE(Write(echo, "still here"));
    EXPECT_EQ(Collect(echo, 10), "still here");
  }
  EXPECT_EQ(CloseSocketHandle(echo), 0);
}

// 32 peers that each announce 60 MiB and stall would ask for 1.9 GiB if the
// announced lengths were reserved.
TEST_F(RealPeerTest, PeersThatAnnounceMuchAndStallHoldLittleAndStopNothing) {
  constexpr int kStalling = 32;
  const int before = GetNetworkState().table.count;
  std::vector<int> stalling;
  for (int i = 0; i < kStalling; ++i) {
    stalling.push_back(Ask("stall"));
    ASSERT_GE(stalling.back(), 0);
  }
  const int echo = Ask("echo");
  ASSERT_GE(echo, 0);
  ASSERT_TRUE(PumpUntil([&] {
    for (int handle : stalling) {
      if (Record(handle)->receive.missing != 60 * 1024 * 1024 - 1000) return false;
    }
    return true;
  }));
  for (int round = 0; round < 20; ++round) {
    const std::string text = "round " + std::to_string(round);
    ASSERT_TRUE(Write(echo, text));
    EXPECT_EQ(Collect(echo, text.size()), text);
  }
  for (int handle : stalling) {
    EXPECT_LT(Record(handle)->receive.ring.capacity, 1024 * 1024);
    EXPECT_EQ(GetNetWorkDataLength(handle), 0);
  }
  EXPECT_LT(GetNetworkState().receiveMemory.held, 32LL * 1024 * 1024);

  // Closed from this side while the peer still stalls...
  EXPECT_EQ(CloseSocketHandle(stalling[0]), 0);
  EXPECT_EQ(Record(stalling[0]), nullptr);
  // ...or ended by the peer inside its message: freed by the frame's pass.
  for (int i = 1; i < kStalling; ++i) ASSERT_TRUE(Write(stalling[i], "bye"));
  EXPECT_TRUE(PumpUntil([&] { return GetNetworkState().table.count == before + 1; }));
  for (int handle : stalling) EXPECT_EQ(Record(handle), nullptr);
  EXPECT_EQ(CloseSocketHandle(echo), 0);
  EXPECT_EQ(GetNetworkState().receiveMemory.held, 0);
}

TEST_F(RealPeerTest, APeerClosingInsideAMessageLeavesItsWholeOnesAndIsFreed) {
  const int before = GetNetworkState().table.count;
  const int handle = Ask("midclose");
  ASSERT_GE(handle, 0);
  EXPECT_EQ(Collect(handle, 5), PeerBody(5, 3));
  ASSERT_TRUE(PumpUntil([&] { return Record(handle) == nullptr; }));
  EXPECT_EQ(GetNetWorkDataLength(handle), -1);
  EXPECT_EQ(GetNetworkState().table.count, before);
}

TEST_F(RealPeerTest, ConnectionsThatComeAndGoAreFreed) {
  int listenPort = 0;
  for (int tries = 0; tries < 100 && listenPort == 0; ++tries) {
    const int port = 20000 + static_cast<int>((GetCurrentProcessId() * 131 + tries * 7) % 30000);
    if (StartListenNetWork(port) == 0) listenPort = port;
  }
  ASSERT_GT(listenPort, 0);
  const int before = GetNetworkState().table.count;
  const int control = Ask("churn " + std::to_string(listenPort));
  ASSERT_GE(control, 0);

  // The peer connects 100 times, sends one message and leaves each time.
  std::vector<int> accepted;
  std::vector<std::string> received;
  std::string reply;
  const DWORD start = GetTickCount();
  while ((reply.empty() || GetNetworkState().table.count > before + 1) &&
         GetTickCount() - start < kPatienceMilliseconds) {
    ASSERT_EQ(PumpMessages(), 0);
    int handle;
    while ((handle = GetNewAcceptNetWork()) >= 0) {
      accepted.push_back(handle);
      received.emplace_back();
    }
    for (size_t i = 0; i < accepted.size(); ++i) {
      if (Record(accepted[i])) ReadReady(accepted[i], &received[i]);
    }
    ReadReady(control, &reply);
    Sleep(1);
  }
  EXPECT_EQ(reply, std::to_string(kCycles));
  ASSERT_EQ(accepted.size(), static_cast<size_t>(kCycles));
  for (int i = 0; i < kCycles; ++i) {
    EXPECT_EQ(received[i], PeerBody(3, i)) << "cycle " << i;
    EXPECT_EQ(Record(accepted[i]), nullptr) << "cycle " << i;
  }
  EXPECT_EQ(GetNetworkState().table.count, before + 1);
  EXPECT_EQ(CloseSocketHandle(control), 0);
  EXPECT_EQ(StopListenNetWork(), 0);

  // And 100 times the other way: connect, one round trip, close.
  const int base = GetNetworkState().table.count;
  for (int cycle = 0; cycle < kCycles; ++cycle) {
    const int handle = Ask("echo");
    ASSERT_GE(handle, 0);
    const std::string text = std::to_string(cycle);
    ASSERT_TRUE(Write(handle, text));
    ASSERT_EQ(Collect(handle, text.size()), text);
    ASSERT_EQ(CloseSocketHandle(handle), 0);
  }
  EXPECT_EQ(GetNetworkState().table.count, base);
  EXPECT_EQ(GetNetworkState().receiveMemory.held, 0);
}

}  // namespace
