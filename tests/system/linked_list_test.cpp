#include "system/linked_list.h"

#include <vector>

#include <gtest/gtest.h>

namespace {

std::vector<int> Ids(const ListNode& head) {
  std::vector<int> ids;
  for (const ListNode* node = head.next; node && node->next; node = node->next) ids.push_back(node->id);
  return ids;
}

TEST(LinkedListTest, EmptyListLinksTheTwoSentinels) {
  ListNode head, tail;
  InitLinkedList(&head, &tail);
  EXPECT_EQ(head.id, -1);
  EXPECT_EQ(tail.id, -1);
  EXPECT_EQ(head.previous, nullptr);
  EXPECT_EQ(head.next, &tail);
  EXPECT_EQ(tail.previous, &head);
  EXPECT_EQ(tail.next, nullptr);
}

TEST(LinkedListTest, InsertAfterHeadAndRemoveRestoreTheNeighbours) {
  ListNode head, tail, node;
  InitLinkedList(&head, &tail);
  int payload = 0;
  InsertListNodeAfter(&head, &node, 7, &payload);
  EXPECT_EQ(head.next, &node);
  EXPECT_EQ(node.previous, &head);
  EXPECT_EQ(node.next, &tail);
  EXPECT_EQ(tail.previous, &node);
  EXPECT_EQ(node.data, &payload);
  RemoveListNode(&node);
  EXPECT_EQ(head.next, &tail);
  EXPECT_EQ(tail.previous, &head);
  EXPECT_EQ(node.next, &tail);  // the removed node keeps its own links
}

TEST(LinkedListTest, NodesStayInInsertionPlaceOrder) {
  ListNode head, tail, a, b, c;
  InitLinkedList(&head, &tail);
  InsertListNodeAfter(&head, &a, 1, nullptr);
  InsertListNodeAfter(&a, &c, 3, nullptr);
  InsertListNodeAfter(&a, &b, 2, nullptr);
  EXPECT_EQ(Ids(head), (std::vector<int>{1, 2, 3}));
  RemoveListNode(&b);
  EXPECT_EQ(Ids(head), (std::vector<int>{1, 3}));
  EXPECT_EQ(c.previous, &a);
}

}  // namespace
