#include "support/VStringList.h"

#include <algorithm>
#include <cstring>

int TVStringList::CompareBytes(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  if (n != 0) {
    // memcmp compares as unsigned char, which is the byte order we need.
    const int c = std::memcmp(a.data(), b.data(), n);
    if (c != 0) return c < 0 ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

bool TVStringList::Find(std::string_view s, int& index) const {
  if (!sorted_) {
    for (size_t i = 0; i < items_.size(); ++i)
      if (items_[i] == s) {
        index = static_cast<int>(i);
        return true;
      }
    index = -1;
    return false;
  }
  const auto it = std::lower_bound(items_.begin(), items_.end(), s,
                                   [](const std::string& a, std::string_view b) { return CompareBytes(a, b) < 0; });
  index = static_cast<int>(it - items_.begin());
  return it != items_.end() && *it == s;
}

int TVStringList::Add(std::string s) {
  if (!sorted_) {
    if (duplicates_ == TDuplicates::dupIgnore) {
      const int i = IndexOf(s);
      if (i >= 0) return i;
    }
    items_.push_back(std::move(s));
    return Count() - 1;
  }
  int i;
  if (Find(s, i)) {
    if (duplicates_ == TDuplicates::dupIgnore) return i;
    // Keep equal strings in the order they were added.
    while (i < Count() && items_[static_cast<size_t>(i)] == s) ++i;
  }
  items_.insert(items_.begin() + i, std::move(s));
  return i;
}

void TVStringList::SetSorted(bool sorted) {
  if (sorted && !sorted_) {
    std::stable_sort(items_.begin(), items_.end(),
                     [](const std::string& a, const std::string& b) { return CompareBytes(a, b) < 0; });
    if (duplicates_ == TDuplicates::dupIgnore)
      items_.erase(std::unique(items_.begin(), items_.end()), items_.end());
  }
  sorted_ = sorted;
}
