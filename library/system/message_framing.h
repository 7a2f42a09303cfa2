// Length-prefixed messages over a byte stream: each message is its length as
// a 32-bit little-endian number, then that many bytes. Received bytes are
// kept in a ring and become readable once their whole message is in; bytes to
// send wait in a ring and go out as one message per turn. The socket itself
// is reached through a MessageTransport, so this code never touches the
// platform.
#ifndef OMBREL_SYSTEM_MESSAGE_FRAMING_H
#define OMBREL_SYSTEM_MESSAGE_FRAMING_H

#include <stdint.h>

#include "system/ring_buffer.h"

constexpr int kMessagePrefixBytes = 4;
// A longer announced length is treated as a broken or hostile peer.
constexpr int kMaxMessageBytes = 64 * 1024 * 1024;
// The receive ring grows as a message's bytes arrive, by at most this much
// at a time, so an announced length alone takes no memory.
constexpr int kReceiveGrowthBytes = 256 * 1024;

struct MessageReceiveState {
  int missing;  // bytes of the message under way not yet received; 0 between messages
  RingBuffer ring;
  int messageLength;  // of the message under way (or the refused one)
  int completeBytes;  // stored bytes that belong to whole messages
  // A prefix can arrive a byte at a time; what came of it waits here, since
  // leaving it in the socket could leave the socket with no room for the rest.
  unsigned char prefix[kMessagePrefixBytes];
  int prefixReceived;
};

// What one receive turn may still take: it stops once either runs out, so a
// fast peer cannot hold the caller's frame.
struct MessagePassBudget {
  int messages;
  int bytes;
};

// The receive rings of all connections together: their capacities, and the
// most they may hold, so that many peers announcing large messages cannot
// take the process's address space.
struct MessageMemoryPool {
  long long held;
  long long limit;
};

struct MessageSendState {
  RingBuffer ring;
  int count;         // bytes of the current message not yet sent; its prefix while that goes out
  int prefixUnsent;  // 0-4 prefix bytes still to go
};

// Each call moves at most size bytes and returns how many moved (> 0), 0
// when the peer has closed (receive only) or nothing was asked, or -1 when
// the call failed or would block.
struct MessageTransport {
  void* context;
  int (*receive)(void* context, void* buffer, int size);
  int (*send)(void* context, const void* data, int size);
  // Runs the socket events that have arrived meanwhile; nonzero once the
  // event window has ended and the turn should stop.
  int (*pump)(void* context);
};

enum MessageReceiveResult {
  kMessageReceiveDone = 0,         // nothing more can be taken now
  kMessageReceiveMore = 1,         // the budget ran out; bytes may still be waiting
  kMessageReceiveRingFailed = -1,  // the ring could not grow for messageLength bytes
  kMessageReceiveBadLength = -2,   // messageLength is negative or above the limit
};

void EncodeMessageLength(uint32_t length, unsigned char out[kMessagePrefixBytes]);
uint32_t DecodeMessageLength(const unsigned char in[kMessagePrefixBytes]);

// Receives whole and partial messages until the transport has no more, the
// pump ends, a message stays incomplete or the budget runs out. The ring's
// growth is counted in the pool and refused past its limit. A refused length
// leaves the stream out of step, so the caller must give the connection up.
MessageReceiveResult ReceiveMessages(MessageReceiveState* state, const MessageTransport& transport,
                                     MessagePassBudget* budget, MessageMemoryPool* pool);

// Sends what the send ring holds: a message started earlier is finished
// first (its remaining prefix bytes, then its body), then the ring's contents
// go out as a new message of at most kMaxMessageBytes. Stops when the
// transport takes nothing more or the pump ends.
void SendMessages(MessageSendState* state, const MessageTransport& transport);

// Copies up to size bytes of whole messages out of the receive ring; the
// bytes copied, or -1 for a negative size.
int TakeReceivedBytes(MessageReceiveState* state, void* buffer, int size);

// Frees both rings and gives the receive ring's capacity back to the pool.
int FreeMessageRings(MessageReceiveState* receive, MessageSendState* send, MessageMemoryPool* pool);

#endif
