// Every collection is a singly linked list of records whose first field is
// `next`. Parsers that keep file order append at the tail themselves.
#pragma once

// Puts `node` at the head of the list.
template <typename Node>
inline void list_prepend(Node **head, Node *node)
{
    node->next = *head;
    *head = node;
}
