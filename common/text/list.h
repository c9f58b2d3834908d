// List: the ordered collection every layer keeps its entries in.
// Insertion order is the order of the files and pages; a vector keeps it and
// gives cheap insertion before a marked entry, which is all the system needs.
#pragma once

#include <algorithm>
#include <vector>

template <typename T>
using List = std::vector<T>;

// Removes the first element that satisfies `match`; true when one was removed.
template <typename T, typename Match>
bool removeFirst(List<T>& list, Match match) {
  auto it = std::find_if(list.begin(), list.end(), match);
  if (it == list.end()) return false;
  list.erase(it);
  return true;
}
