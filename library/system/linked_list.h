// An intrusive doubly linked list between a head and a tail sentinel; the
// owner of a node provides its memory.
#ifndef OMBREL_SYSTEM_LINKED_LIST_H
#define OMBREL_SYSTEM_LINKED_LIST_H

struct ListNode {
  int id;  // -1 in the sentinels
  void* data;
  ListNode* previous;
  ListNode* next;
};

int InitLinkedList(ListNode* head, ListNode* tail);
int InsertListNodeAfter(ListNode* position, ListNode* node, int id, void* data);
// Links node's neighbours to each other; node's own links stay as they were.
int RemoveListNode(ListNode* node);

#endif
