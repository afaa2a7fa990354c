#pragma once
// A list of byte strings. Sorted, it keeps plain byte order (ordinal, a prefix first,
// case-sensitive) and Find is a binary search; unsorted, it keeps the order strings were added.
// Duplicates are kept or ignored as the list is set up.
#include <string>
#include <string_view>
#include <vector>

class TVStringList {
 public:
  enum class TDuplicates { dupIgnore, dupAccept };

  explicit TVStringList(bool sorted = false, TDuplicates duplicates = TDuplicates::dupAccept)
      : sorted_(sorted), duplicates_(duplicates) {}

  // Adds s and returns its index. A sorted list inserts in order; with dupIgnore an existing
  // equal string is not added again and its index is returned.
  int Add(std::string s);

  // Sorted lists: true when s is present; index is its position, or where it would be inserted.
  // Unsorted lists: a linear search; index is -1 when absent.
  bool Find(std::string_view s, int& index) const;
  bool Contains(std::string_view s) const {
    int i;
    return Find(s, i);
  }
  int IndexOf(std::string_view s) const {
    int i;
    return Find(s, i) ? i : -1;
  }

  int Count() const { return static_cast<int>(items_.size()); }
  bool Empty() const { return items_.empty(); }
  const std::string& operator[](int i) const { return items_[static_cast<size_t>(i)]; }
  const std::string& Strings(int i) const { return (*this)[i]; }
  void Delete(int i) { items_.erase(items_.begin() + i); }
  void Clear() { items_.clear(); }
  void Reserve(size_t n) { items_.reserve(n); }

  bool Sorted() const { return sorted_; }
  // Turning sorting on sorts the list (and drops duplicates when they are ignored).
  void SetSorted(bool sorted);
  TDuplicates Duplicates() const { return duplicates_; }

  std::vector<std::string>::const_iterator begin() const { return items_.begin(); }
  std::vector<std::string>::const_iterator end() const { return items_.end(); }

  // Plain byte order: unsigned bytes compared one by one, a shorter string first on a common prefix.
  static int CompareBytes(std::string_view a, std::string_view b);

 private:
  std::vector<std::string> items_;
  bool sorted_;
  TDuplicates duplicates_;
};
