// Length-prefixed messages from a peer: the input is the byte stream, and
// its own bytes decide how much each receive call hands over, so prefixes and
// bodies arrive split at every place; each turn has a small budget. Whatever arrives, the receiver takes
// only whole messages and keeps its ring within its bounds.
#include <stdint.h>
#include <string.h>

#include <algorithm>

#include "system/message_framing.h"
#include "system/ring_buffer.h"

namespace {

struct Peer {
  const uint8_t* data;
  int size;
  int position;
  int pieces;  // receive calls so far, to vary the piece sizes
};

int Receive(void* context, void* buffer, int size) {
  Peer* peer = static_cast<Peer*>(context);
  const int available = peer->size - peer->position;
  if (available == 0) return 0;
  const int piece = 1 + peer->data[(peer->pieces++ * 7) % peer->size] % 64;
  const int taken = std::min({size, available, piece});
  memcpy(buffer, peer->data + peer->position, taken);
  peer->position += taken;
  return taken;
}

int Send(void*, const void*, int size) { return size; }
int Pump(void*) { return 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > (1u << 16)) return 0;
  Peer peer{data, static_cast<int>(size), 0, 0};
  const MessageTransport transport{&peer, Receive, Send, Pump};
  MessageReceiveState state{};
  // A small pool, so the fuzzer reaches the refusals of growth too.
  MessageMemoryPool pool{0, 1 << 20};
  uint8_t out[256];
  for (int turn = 0; turn < 64 && peer.position < peer.size; ++turn) {
    MessagePassBudget budget{16, 4096};
    const MessageReceiveResult result = ReceiveMessages(&state, transport, &budget, &pool);
    if (result != kMessageReceiveDone && result != kMessageReceiveMore) break;
    TakeReceivedBytes(&state, out, sizeof out);
  }
  while (TakeReceivedBytes(&state, out, sizeof out) > 0) {
  }
  TerminateRingBuffer(&state.ring);
  return 0;
}
