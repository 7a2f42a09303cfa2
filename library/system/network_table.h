// The network handles: one record per connection, datagram socket or the
// listening socket, in a table of 8,193 slots (0-8,191 for connections and
// datagram sockets, the last for the listening socket) and in a list that
// the socket events walk to find a record by its socket.
#ifndef OMBREL_SYSTEM_NETWORK_TABLE_H
#define OMBREL_SYSTEM_NETWORK_TABLE_H

#include <stdint.h>

#include "system/linked_list.h"
#include "system/message_framing.h"

constexpr int kNetworkConnectionSlots = 8192;
constexpr int kNetworkListenSlot = kNetworkConnectionSlots;
constexpr int kNetworkSlotCount = kNetworkConnectionSlots + 1;

struct NetworkRecord {
  int datagram;  // a socket without connection; the stream calls refuse it
  int valid;     // holds an open socket
  int error;     // the receive ring could not take a message; only closing is left
  int connected;
  int closed;     // the peer has ended the connection
  int deferredEvents;  // read/write events that came while the other call was busy
  int unannounced;     // accepted, and not yet handed to the program
  int lengthPrefixed;
  int autoClose;
  int check;
  uintptr_t socket;
  MessageReceiveState receive;
  MessageSendState send;
  unsigned char peerAddress[4];  // IPv4, in the order of the wire
  int peerPort;                  // network byte order
  int dataArrived;               // datagram sockets
  int writable;                  // datagram sockets
  ListNode node;                 // id = the record's handle
};
static_assert(sizeof(void*) != 4 || sizeof(NetworkRecord) == 144,
              "a network record is 144 bytes in the 32-bit library");

struct NetworkTable {
  NetworkRecord* records[kNetworkSlotCount];
  int count;
  int nextCheck;  // 0-2,047
  ListNode head;  // newest record first
  ListNode tail;
};

// Empties the table and links the list's sentinels; the table must hold no
// records.
void ResetNetworkTable(NetworkTable* table);

int MakeNetworkHandle(int slot, int check);
// The record behind a live handle, or null.
NetworkRecord* FindNetworkRecord(NetworkTable* table, int handle);
int NetworkRecordHandle(const NetworkRecord* record);

// The lowest free connection slot, or -1 when all 8,192 are taken.
int FindFreeConnectionSlot(const NetworkTable* table);

// A zeroed record with the next check number, stored in the free slot and
// linked at the front of the list; null when no memory could be had.
NetworkRecord* AddNetworkRecord(NetworkTable* table, int slot);
// Unlinks the record, empties its slot and frees it; its rings must be freed
// already.
void RemoveNetworkRecord(NetworkTable* table, NetworkRecord* record);

#endif
