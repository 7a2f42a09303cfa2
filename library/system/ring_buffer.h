// A growable byte ring for the socket layer and the sound code. A zeroed
// record is an empty ring.
#ifndef OMBREL_SYSTEM_RING_BUFFER_H
#define OMBREL_SYSTEM_RING_BUFFER_H

struct RingBuffer {
  unsigned char* data;  // tracked block of capacity bytes, null when empty
  int readPosition;     // the oldest stored byte
  int writePosition;    // where the next byte goes: (read + stored) % capacity
  int stored;
  int capacity;
};

// Makes room for add more bytes; -1 when the larger block cannot be had, the
// stored bytes then stay as they were.
int ReserveRingBuffer(RingBuffer* ring, int add);
// The capacity ReserveRingBuffer(ring, add) would give the ring: its present
// one when the room is there already, -1 when no block could be that large.
long long RingBufferCapacityFor(const RingBuffer* ring, int add);
// Appends size bytes, growing the ring as needed; 0 or -1.
int WriteRingBuffer(RingBuffer* ring, const void* src, int size);
// Takes (or, with peek, copies) size bytes; -1 and nothing copied when fewer
// are stored.
int ReadRingBuffer(RingBuffer* ring, void* dst, int size, int peek);
// A read or write position equal to the capacity becomes 0.
RingBuffer* NormalizeRingBuffer(RingBuffer* ring);
int TerminateRingBuffer(RingBuffer* ring);

#endif
