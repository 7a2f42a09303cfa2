#include "system/message_framing.h"

#include <algorithm>

namespace {

// Takes what has arrived of the next message's prefix; true once all four
// bytes are in.
bool TakePrefix(MessageReceiveState* state, const MessageTransport& transport,
                MessagePassBudget* budget) {
  const int want = std::min(kMessagePrefixBytes - state->prefixReceived, budget->bytes);
  const int got = transport.receive(transport.context, state->prefix + state->prefixReceived, want);
  if (got <= 0) return false;
  state->prefixReceived += got;
  budget->bytes -= got;
  if (state->prefixReceived < kMessagePrefixBytes) return false;
  state->prefixReceived = 0;
  return true;
}

// Makes room in the ring for the next part of the message under way; false
// when the ring cannot grow or the pool would pass its limit.
bool GrowForMissing(MessageReceiveState* state, MessageMemoryPool* pool) {
  RingBuffer* ring = &state->ring;
  const int want = std::min(state->missing, kReceiveGrowthBytes);
  const long long capacity = RingBufferCapacityFor(ring, want);
  if (capacity < 0) return false;
  if (capacity == ring->capacity) return true;
  if (pool->held - ring->capacity + capacity > pool->limit) return false;
  const int before = ring->capacity;
  if (ReserveRingBuffer(ring, want) != 0) return false;
  pool->held += ring->capacity - before;
  return true;
}

// Receives up to want bytes into the ring's free space at its write
// position, wrapping to its start; the bytes received, 0 when the peer
// closed, -1 when nothing came.
int ReceiveBody(MessageReceiveState* state, const MessageTransport& transport, int want) {
  RingBuffer* ring = NormalizeRingBuffer(&state->ring);
  want = std::min(want, ring->capacity - ring->stored);
  const bool wrapped = ring->writePosition < ring->readPosition;
  const int untilEnd = (wrapped ? ring->readPosition : ring->capacity) - ring->writePosition;
  if (want <= untilEnd) {
    const int got = transport.receive(transport.context, ring->data + ring->writePosition, want);
    if (got > 0) ring->writePosition += got;
    return got;
  }
  int got = transport.receive(transport.context, ring->data + ring->writePosition, untilEnd);
  if (got <= 0) return got;
  ring->writePosition += got;
  if (got == untilEnd) {
    const int second = transport.receive(transport.context, ring->data, want - untilEnd);
    ring->writePosition = second > 0 ? second : 0;
    if (second > 0) got += second;
  }
  return got;
}

// Sends the current message's body from the ring's read position, wrapping
// to its start; the bytes sent, or -1 when nothing went out.
int SendBody(MessageSendState* state, const MessageTransport& transport) {
  RingBuffer* ring = NormalizeRingBuffer(&state->ring);
  const int untilEnd = ring->capacity - ring->readPosition;
  if (state->count <= untilEnd) {
    const int sent = transport.send(transport.context, ring->data + ring->readPosition, state->count);
    if (sent > 0) ring->readPosition += sent;
    return sent;
  }
  int sent = transport.send(transport.context, ring->data + ring->readPosition, untilEnd);
  if (sent <= 0) return sent;
  ring->readPosition += sent;
  if (sent == untilEnd) {
    const int second = transport.send(transport.context, ring->data, state->count - untilEnd);
    ring->readPosition = second > 0 ? second : 0;
    if (second > 0) sent += second;
  }
  return sent;
}

}  // namespace

void EncodeMessageLength(uint32_t length, unsigned char out[kMessagePrefixBytes]) {
  for (int i = 0; i < kMessagePrefixBytes; ++i) out[i] = static_cast<unsigned char>(length >> (8 * i));
}

uint32_t DecodeMessageLength(const unsigned char in[kMessagePrefixBytes]) {
  uint32_t length = 0;
  for (int i = kMessagePrefixBytes - 1; i >= 0; --i) length = length << 8 | in[i];
  return length;
}

MessageReceiveResult ReceiveMessages(MessageReceiveState* state, const MessageTransport& transport,
                                     MessagePassBudget* budget, MessageMemoryPool* pool) {
  for (;;) {
    if (budget->messages <= 0 || budget->bytes <= 0) return kMessageReceiveMore;
    if (state->missing == 0) {
      if (!TakePrefix(state, transport, budget)) {
        return budget->bytes <= 0 ? kMessageReceiveMore : kMessageReceiveDone;
      }
      const uint32_t length = DecodeMessageLength(state->prefix);
      state->messageLength = static_cast<int>(length);
      if (length > static_cast<uint32_t>(kMaxMessageBytes)) return kMessageReceiveBadLength;
      state->missing = state->messageLength;
    }
    if (state->missing > 0) {
      if (budget->bytes <= 0) return kMessageReceiveMore;
      if (!GrowForMissing(state, pool)) return kMessageReceiveRingFailed;
      const int got = ReceiveBody(state, transport, std::min(state->missing, budget->bytes));
      if (got <= 0) break;
      state->ring.stored += got;
      state->missing -= got;
      budget->bytes -= got;
    }
    if (state->missing > 0) continue;
    state->completeBytes += state->messageLength;
    --budget->messages;
    if (transport.pump(transport.context) != 0) break;
  }
  return kMessageReceiveDone;
}

void SendMessages(MessageSendState* state, const MessageTransport& transport) {
  while (state->ring.stored > 0) {
    unsigned char prefix[kMessagePrefixBytes];
    if (state->prefixUnsent > 0) {
      EncodeMessageLength(static_cast<uint32_t>(state->count), prefix);
      const int sent = transport.send(transport.context,
                                      prefix + kMessagePrefixBytes - state->prefixUnsent,
                                      state->prefixUnsent);
      if (sent <= 0) return;
      state->prefixUnsent -= std::min(sent, state->prefixUnsent);
      if (state->prefixUnsent > 0) return;
    }
    if (state->count == 0) {
      state->count = std::min(state->ring.stored, kMaxMessageBytes);
      EncodeMessageLength(static_cast<uint32_t>(state->count), prefix);
      const int sent = transport.send(transport.context, prefix, kMessagePrefixBytes);
      if (sent <= 0) {
        state->count = 0;
        return;
      }
      if (sent < kMessagePrefixBytes) {
        state->prefixUnsent = kMessagePrefixBytes - sent;
        return;
      }
    }
    const int sent = SendBody(state, transport);
    if (sent <= 0) return;
    state->ring.stored -= sent;
    state->count -= sent;
    if (transport.pump(transport.context) != 0 || state->count > 0) return;
  }
}

int TakeReceivedBytes(MessageReceiveState* state, void* buffer, int size) {
  if (size < 0) return -1;
  const int taken = std::min(size, state->completeBytes);
  if (taken == 0) return 0;
  if (ReadRingBuffer(&state->ring, buffer, taken, 0) != 0) return -1;
  state->completeBytes -= taken;
  return taken;
}

int FreeMessageRings(MessageReceiveState* receive, MessageSendState* send, MessageMemoryPool* pool) {
  pool->held -= receive->ring.capacity;
  TerminateRingBuffer(&receive->ring);
  TerminateRingBuffer(&send->ring);
  return 0;
}
