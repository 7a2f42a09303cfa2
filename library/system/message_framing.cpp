#include "system/message_framing.h"

#include <algorithm>

namespace {

// Receives the prefix of the next message once all four bytes have arrived;
// fewer are left in the socket for a later turn.
bool TakePrefix(const MessageTransport& transport, uint32_t* length) {
  unsigned char prefix[kMessagePrefixBytes];
  if (transport.receive(transport.context, prefix, kMessagePrefixBytes, 1) != kMessagePrefixBytes) {
    return false;
  }
  if (transport.receive(transport.context, prefix, kMessagePrefixBytes, 0) != kMessagePrefixBytes) {
    return false;
  }
  *length = DecodeMessageLength(prefix);
  return true;
}

// Receives into the ring's free space at its write position, wrapping to its
// start; the bytes received, 0 when the peer closed, -1 when nothing came.
int ReceiveBody(MessageReceiveState* state, const MessageTransport& transport) {
  RingBuffer* ring = NormalizeRingBuffer(&state->ring);
  const int untilEnd = ring->capacity - ring->writePosition;
  if (state->missing <= untilEnd) {
    const int got = transport.receive(transport.context, ring->data + ring->writePosition,
                                      state->missing, 0);
    if (got > 0) ring->writePosition += got;
    return got;
  }
  int got = transport.receive(transport.context, ring->data + ring->writePosition, untilEnd, 0);
  if (got <= 0) return got;
  ring->writePosition += got;
  if (got == untilEnd) {
    const int second = transport.receive(transport.context, ring->data, state->missing - untilEnd, 0);
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

MessageReceiveResult ReceiveMessages(MessageReceiveState* state, const MessageTransport& transport) {
  for (;;) {
    if (state->missing == 0) {
      uint32_t length;
      if (!TakePrefix(transport, &length)) break;
      state->messageLength = static_cast<int>(length);
      if (length > static_cast<uint32_t>(kMaxMessageBytes)) return kMessageReceiveBadLength;
      if (ReserveRingBuffer(&state->ring, state->messageLength) != 0) {
        return kMessageReceiveRingFailed;
      }
      state->missing = state->messageLength;
    }
    int got = 0;
    if (state->missing > 0) {
      got = ReceiveBody(state, transport);
      if (got <= 0) break;
      state->ring.stored += got;
      state->missing -= got;
    }
    if (state->missing == 0) state->completeBytes += state->messageLength;
    if (transport.pump(transport.context) != 0 || state->missing > 0) break;
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

int FreeMessageRings(MessageReceiveState* receive, MessageSendState* send) {
  TerminateRingBuffer(&receive->ring);
  TerminateRingBuffer(&send->ring);
  return 0;
}
