#include "system/message_framing.h"

#include <limits.h>
#include <string.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::string Frame(const std::string& body) {
  unsigned char prefix[kMessagePrefixBytes];
  EncodeMessageLength(static_cast<uint32_t>(body.size()), prefix);
  return std::string(reinterpret_cast<char*>(prefix), kMessagePrefixBytes) + body;
}

std::string Prefix(uint32_t length) {
  unsigned char prefix[kMessagePrefixBytes];
  EncodeMessageLength(length, prefix);
  return std::string(reinterpret_cast<char*>(prefix), kMessagePrefixBytes);
}

std::string Pattern(int size, int seed) {
  std::string bytes(size, '\0');
  for (int i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + seed) & 0xFF);
  return bytes;
}

// A socket seen from one end: the bytes that have arrived, how many bytes
// each send may still take, and the pump's answers.
struct FakeSocket {
  std::string arrived;
  size_t readPosition = 0;
  int receiveLimit = INT_MAX;  // most bytes one receive takes out
  int receives = 0;
  bool peerClosed = false;
  std::string sent;
  int sendBudget = INT_MAX;  // bytes the socket takes before it would block
  int pumps = 0;
  bool pumpEnds = false;

  MessageTransport Transport() { return MessageTransport{this, Receive, Send, Pump}; }

  int Waiting() const { return static_cast<int>(arrived.size() - readPosition); }

  static int Receive(void* context, void* buffer, int size) {
    auto* socket = static_cast<FakeSocket*>(context);
    ++socket->receives;
    const int available = socket->Waiting();
    if (available == 0) return socket->peerClosed ? 0 : -1;
    const int taken = std::min({size, available, socket->receiveLimit});
    memcpy(buffer, socket->arrived.data() + socket->readPosition, taken);
    socket->readPosition += taken;
    return taken;
  }

  static int Send(void* context, const void* data, int size) {
    auto* socket = static_cast<FakeSocket*>(context);
    if (socket->sendBudget == 0) return -1;
    const int taken = std::min(size, socket->sendBudget);
    socket->sent.append(static_cast<const char*>(data), taken);
    if (socket->sendBudget != INT_MAX) socket->sendBudget -= taken;
    return taken;
  }

  static int Pump(void* context) {
    auto* socket = static_cast<FakeSocket*>(context);
    ++socket->pumps;
    return socket->pumpEnds ? -1 : 0;
  }
};

constexpr MessagePassBudget kNoBound = {INT_MAX, INT_MAX};

class Receiver {
 public:
  explicit Receiver(MessageMemoryPool* sharedPool = nullptr)
      : pool(sharedPool ? sharedPool : &ownPool) {}
  ~Receiver() {
    MessageSendState unused{};
    FreeMessageRings(&state, &unused, pool);
  }

  MessageReceiveResult Receive(MessagePassBudget budget = kNoBound) {
    lastBudget = budget;
    return ReceiveMessages(&state, socket.Transport(), &lastBudget, pool);
  }

  std::string Take(int size) {
    std::string out(size, '\0');
    const int taken = TakeReceivedBytes(&state, out.data(), size);
    EXPECT_GE(taken, 0);
    out.resize(std::max(taken, 0));
    return out;
  }

  MessageReceiveState state{};
  FakeSocket socket;
  MessageMemoryPool ownPool = {0, LLONG_MAX};
  MessageMemoryPool* pool;
  MessagePassBudget lastBudget = kNoBound;
};

class Sender {
 public:
  ~Sender() { TerminateRingBuffer(&send.ring); }

  void Queue(const std::string& bytes) {
    ASSERT_EQ(WriteRingBuffer(&send.ring, bytes.data(), static_cast<int>(bytes.size())), 0);
  }
  void Send() { SendMessages(&send, socket.Transport()); }

  MessageSendState send{};
  FakeSocket socket;
};

TEST(MessageFramingTest, LengthsAreLittleEndian) {
  unsigned char bytes[kMessagePrefixBytes];
  EncodeMessageLength(0x04030201u, bytes);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), 4), "\x01\x02\x03\x04");
  const unsigned char high[] = {0x00, 0x00, 0x00, 0x80};
  EXPECT_EQ(DecodeMessageLength(high), 0x80000000u);
}

// The wire is revealed piece by piece, with one receive turn after each
// piece; the readable byte count is checked after every turn.
TEST(MessageFramingTest, MessagesBecomeReadableOnlyWhenWhole) {
  struct Case {
    const char* name;
    std::vector<std::string> messages;
    std::vector<int> pieces;    // bytes revealed before each turn
    std::vector<int> readable;  // complete bytes after each turn
  };
  const Case cases[] = {
      {"two messages in one arrival", {"hello", "world"}, {18}, {10}},
      {"prefix and body split over turns", {"abcdefgh"}, {2, 3, 5, 2}, {0, 0, 0, 8}},
      {"second message half there", {"first", "second"}, {9, 6, 4}, {5, 5, 11}},
      {"empty message between two", {"ab", "", "cd"}, {16}, {4}},
      {"empty message alone", {""}, {2, 2}, {0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string wire;
    std::string payload;
    for (const std::string& m : c.messages) {
      wire += Frame(m);
      payload += m;
    }
    Receiver receiver;
    size_t revealed = 0;
    std::string read;
    for (size_t turn = 0; turn < c.pieces.size(); ++turn) {
      revealed += c.pieces[turn];
      receiver.socket.arrived = wire.substr(0, revealed);
      ASSERT_EQ(receiver.Receive(), kMessageReceiveDone);
      EXPECT_EQ(receiver.state.completeBytes, c.readable[turn]) << "turn " << turn;
    }
    EXPECT_EQ(receiver.Take(1000), payload);
    EXPECT_EQ(receiver.state.missing, 0);
  }
}

TEST(MessageFramingTest, AMessageIsNeverReadHalf) {
  Receiver receiver;
  receiver.socket.arrived = Frame("abc") + Frame("defgh").substr(0, 7);
  ASSERT_EQ(receiver.Receive(), kMessageReceiveDone);
  EXPECT_EQ(receiver.Take(100), "abc");
  EXPECT_EQ(receiver.Take(100), "");
  EXPECT_EQ(receiver.state.missing, 2);
  receiver.socket.arrived += "gh";
  ASSERT_EQ(receiver.Receive(), kMessageReceiveDone);
  EXPECT_EQ(receiver.Take(2), "de");
  EXPECT_EQ(receiver.Take(100), "fgh");
}

TEST(MessageFramingTest, AMessagePastTheRingsEndWrapsToItsStart) {
  for (int limit : {INT_MAX, 700}) {
    SCOPED_TRACE(limit);
    Receiver receiver;
    receiver.socket.receiveLimit = limit;
    // The first message sizes the ring (600 + 1000 spare); once read, the
    // write position stands 1000 bytes before the end.
    const std::string first = Pattern(600, 1);
    const std::string second = Pattern(1300, 2);
    receiver.socket.arrived = Frame(first);
    ASSERT_EQ(receiver.Receive(), kMessageReceiveDone);
    ASSERT_EQ(receiver.Take(600), first);
    const int capacity = receiver.state.ring.capacity;
    ASSERT_EQ(capacity, 1600);
    receiver.socket.arrived += Frame(second);
    for (int turn = 0; turn < 4 && receiver.state.completeBytes == 0; ++turn) {
      ASSERT_EQ(receiver.Receive(), kMessageReceiveDone);
    }
    EXPECT_EQ(receiver.state.ring.capacity, capacity);
    EXPECT_EQ(receiver.state.ring.writePosition, 300);
    EXPECT_EQ(receiver.Take(2000), second);
  }
}

TEST(MessageFramingTest, ImpossibleLengthsAreRefusedAndKeepWhatCameBefore) {
  const uint32_t lengths[] = {0xFFFFFFFFu, 0x80000000u, static_cast<uint32_t>(kMaxMessageBytes) + 1};
  for (uint32_t length : lengths) {
    SCOPED_TRACE(length);
    Receiver receiver;
    receiver.socket.arrived = Frame("kept") + Prefix(length) + "junk";
    EXPECT_EQ(receiver.Receive(), kMessageReceiveBadLength);
    EXPECT_EQ(receiver.state.messageLength, static_cast<int>(length));
    EXPECT_EQ(receiver.state.missing, 0);
    EXPECT_EQ(receiver.Take(100), "kept");
  }
  // The limit itself is a length like any other.
  Receiver receiver;
  receiver.socket.arrived = Prefix(kMaxMessageBytes) + "abc";
  EXPECT_EQ(receiver.Receive(), kMessageReceiveDone);
  EXPECT_EQ(receiver.state.missing, kMaxMessageBytes - 3);
}

TEST(MessageFramingTest, PeerClosingInsideAMessageLeavesItUnfinished) {
  Receiver receiver;
  receiver.socket.arrived = Frame("whole") + Frame("partial").substr(0, 6);
  receiver.socket.peerClosed = true;
  ASSERT_EQ(receiver.Receive(), kMessageReceiveDone);
  EXPECT_EQ(receiver.state.completeBytes, 5);
  EXPECT_EQ(receiver.state.missing, 5);
  EXPECT_EQ(receiver.state.ring.stored, 7);
  ASSERT_EQ(receiver.Receive(), kMessageReceiveDone);
  EXPECT_EQ(receiver.state.missing, 5);
  EXPECT_EQ(receiver.Take(100), "whole");
}

// A peer's stack sends only when the receiver's window has room for a whole
// segment, and a receive turn runs only when bytes arrive. Prefix bytes left
// in a window too full for another segment would stop the stream for good.
TEST(MessageFramingTest, PrefixBytesStuckInAFullWindowDoNotStopTheStream) {
  struct Case {
    int window;
    int segment;  // the least room the peer sends into
  };
  const Case cases[] = {{8, 6}, {7, 5}, {6, 3}, {13, 11}, {4096, 4000}};
  std::string wire;
  std::string payload;
  for (int i = 0; i < 3000; ++i) {
    const std::string body = i % 7 == 0 ? Pattern(i % 13, i) : std::string(1, static_cast<char>(i));
    wire += Frame(body);
    payload += body;
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.window);
    Receiver receiver;
    size_t sent = 0;
    while (sent < wire.size()) {
      const int room = c.window - receiver.socket.Waiting();
      if (room < c.segment) break;
      const size_t size = std::min(static_cast<size_t>(room), wire.size() - sent);
      receiver.socket.arrived += wire.substr(sent, size);
      sent += size;
      ASSERT_EQ(receiver.Receive(), kMessageReceiveDone);
    }
    EXPECT_EQ(sent, wire.size());
    EXPECT_EQ(receiver.Take(static_cast<int>(payload.size()) + 1), payload);
  }
}

TEST(MessageFramingTest, TheRingGrowsAsTheBytesArriveNotAsAnnounced) {
  Receiver receiver;
  receiver.socket.arrived = Prefix(60 * 1024 * 1024) + "0123456789";
  ASSERT_EQ(receiver.Receive(), kMessageReceiveDone);
  EXPECT_EQ(receiver.state.missing, 60 * 1024 * 1024 - 10);
  EXPECT_LT(receiver.state.ring.capacity, 1024 * 1024);
  EXPECT_EQ(receiver.pool->held, receiver.state.ring.capacity);

  // A 10 MiB message arriving 64 KiB at a time is whole at the end.
  Receiver large;
  const std::string body = Pattern(10 * 1024 * 1024, 5);
  const std::string wire = Frame(body);
  for (size_t sent = 0; sent < wire.size(); sent += 64 * 1024) {
    large.socket.arrived += wire.substr(sent, 64 * 1024);
    ASSERT_EQ(large.Receive(), kMessageReceiveDone);
    EXPECT_EQ(large.state.completeBytes, sent + 64 * 1024 >= wire.size() ? 10 * 1024 * 1024 : 0);
  }
  EXPECT_EQ(large.pool->held, large.state.ring.capacity);
  EXPECT_EQ(large.Take(static_cast<int>(body.size())), body);
}

TEST(MessageFramingTest, TheSharedPoolRefusesGrowthPastItsLimit) {
  MessageMemoryPool pool = {0, 1024 * 1024};
  auto kept = std::make_unique<Receiver>(&pool);
  const std::string first = Pattern(300 * 1000, 1);
  kept->socket.arrived = Frame(first);
  ASSERT_EQ(kept->Receive(), kMessageReceiveDone);
  ASSERT_EQ(kept->state.completeBytes, 300 * 1000);
  {
    Receiver greedy(&pool);
    greedy.socket.arrived = Prefix(2 * 1024 * 1024) + Pattern(900 * 1000, 2);
    EXPECT_EQ(greedy.Receive(), kMessageReceiveRingFailed);
    EXPECT_LE(pool.held, pool.limit);
    EXPECT_GT(greedy.state.missing, 2 * 1024 * 1024 - 900 * 1000);
  }
  EXPECT_EQ(pool.held, kept->state.ring.capacity);
  EXPECT_EQ(kept->Take(300 * 1000), first);
  kept.reset();
  EXPECT_EQ(pool.held, 0);
}

// A peer that sends without pause cannot hold a turn: the budget's messages
// or bytes end it, and the next turn goes on where it stopped.
TEST(MessageFramingTest, ATurnEndsWhenItsBudgetIsSpent) {
  struct Case {
    const char* name;
    int messages;
    int size;
    MessagePassBudget budget;
    std::vector<int> completeAfterTurn;
  };
  const Case cases[] = {
      {"messages bound", 10000, 1, {4096, INT_MAX}, {4096, 8192, 10000}},
      {"bytes bound", 1, 2500000, {INT_MAX, 1024 * 1024}, {0, 0, 2500000}},
      {"bound inside a prefix", 2, 3, {INT_MAX, 2}, {0, 0, 0, 3, 3, 3, 6, 6}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Receiver receiver;
    std::string payload;
    for (int i = 0; i < c.messages; ++i) {
      const std::string body = Pattern(c.size, i);
      receiver.socket.arrived += Frame(body);
      payload += body;
    }
    int64_t taken = 0;
    for (size_t turn = 0; turn < c.completeAfterTurn.size(); ++turn) {
      const bool last = turn + 1 == c.completeAfterTurn.size();
      EXPECT_EQ(receiver.Receive(c.budget), last ? kMessageReceiveDone : kMessageReceiveMore);
      EXPECT_EQ(receiver.state.completeBytes, c.completeAfterTurn[turn]) << "turn " << turn;
      const int64_t turnBytes =
          static_cast<int64_t>(receiver.socket.readPosition) - taken;
      EXPECT_LE(turnBytes, c.budget.bytes);
      taken = receiver.socket.readPosition;
    }
    EXPECT_EQ(receiver.Take(static_cast<int>(payload.size())), payload);
  }
}

TEST(MessageFramingTest, AnEndedPumpStopsAfterTheCurrentMessage) {
  Receiver receiver;
  receiver.socket.arrived = Frame("one") + Frame("two");
  receiver.socket.pumpEnds = true;
  ASSERT_EQ(receiver.Receive(), kMessageReceiveDone);
  EXPECT_EQ(receiver.Take(100), "one");
  receiver.socket.pumpEnds = false;
  ASSERT_EQ(receiver.Receive(), kMessageReceiveDone);
  EXPECT_EQ(receiver.Take(100), "two");
}

// Each case gives the bytes the socket takes on successive send turns; the
// queued bytes must reach the wire as one whole message however they go.
TEST(MessageFramingTest, PartlySentPrefixesAndBodiesAreFinishedLater) {
  struct Case {
    const char* name;
    std::vector<int> budgets;
    int prefixUnsentAfterFirst;
  };
  const Case cases[] = {
      {"socket full at once", {0, INT_MAX}, 0},
      {"half the prefix", {2, INT_MAX}, 2},
      {"one prefix byte a turn", {1, 1, 1, 1, INT_MAX}, 3},
      {"prefix whole, body partly", {6, INT_MAX}, 0},
      {"body a byte a turn", {4, 1, 1, 1, 1, 1}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Sender sender;
    sender.Queue("hello");
    for (size_t turn = 0; turn < c.budgets.size(); ++turn) {
      sender.socket.sendBudget = c.budgets[turn];
      sender.Send();
      if (turn == 0) {
        EXPECT_EQ(sender.send.prefixUnsent, c.prefixUnsentAfterFirst);
      }
    }
    EXPECT_EQ(sender.socket.sent, Frame("hello"));
    EXPECT_EQ(sender.send.ring.stored, 0);
    EXPECT_EQ(sender.send.count, 0);
    EXPECT_EQ(sender.send.prefixUnsent, 0);
  }
}

TEST(MessageFramingTest, BytesQueuedDuringAMessageGoOutAsTheNext) {
  Sender sender;
  sender.Queue("abc");
  sender.socket.sendBudget = 5;
  sender.Send();
  sender.Queue("de");
  sender.socket.sendBudget = INT_MAX;
  sender.Send();
  EXPECT_EQ(sender.socket.sent, Frame("abc") + Frame("de"));
}

TEST(MessageFramingTest, SendingWrapsFromTheRingsEndToItsStart) {
  Sender sender;
  const std::string first = Pattern(600, 3);
  const std::string second = Pattern(1300, 4);
  sender.Queue(first);
  sender.Send();
  sender.Queue(second);
  ASSERT_EQ(sender.send.ring.capacity, 1600);
  ASSERT_EQ(sender.send.ring.writePosition, 300);
  sender.socket.sendBudget = 700;
  sender.Send();
  sender.socket.sendBudget = INT_MAX;
  sender.Send();
  EXPECT_EQ(sender.socket.sent, Frame(first) + Frame(second));
  EXPECT_EQ(sender.send.ring.readPosition, 300);
}

TEST(MessageFramingTest, QueuedBytesBeyondTheLimitGoOutInSeveralMessages) {
  Sender sender;
  const int total = kMaxMessageBytes + 5;
  ASSERT_EQ(ReserveRingBuffer(&sender.send.ring, total), 0);
  std::string block(1 << 20, 'x');
  for (int queued = 0; queued < total;) {
    const int size = std::min(static_cast<int>(block.size()), total - queued);
    sender.Queue(block.substr(0, size));
    queued += size;
  }
  sender.socket.sent.reserve(total + 8);
  sender.Send();
  ASSERT_EQ(sender.socket.sent.size(), static_cast<size_t>(total) + 8);
  EXPECT_EQ(sender.socket.sent.substr(0, 4), Prefix(kMaxMessageBytes));
  EXPECT_EQ(sender.socket.sent.substr(4 + kMaxMessageBytes, 4), Prefix(5));
  EXPECT_EQ(sender.send.ring.stored, 0);
}

}  // namespace
