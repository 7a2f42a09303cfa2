#include "system/linked_list.h"

int InitLinkedList(ListNode* head, ListNode* tail) {
  *head = ListNode{-1, nullptr, nullptr, tail};
  *tail = ListNode{-1, nullptr, head, nullptr};
  return 0;
}

int InsertListNodeAfter(ListNode* position, ListNode* node, int id, void* data) {
  node->id = id;
  node->data = data;
  node->previous = position;
  node->next = position->next;
  if (position->next) position->next->previous = node;
  position->next = node;
  return 0;
}

int RemoveListNode(ListNode* node) {
  if (node->previous) node->previous->next = node->next;
  if (node->next) node->next->previous = node->previous;
  return 0;
}
