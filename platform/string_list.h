// A list of strings, each with an optional attached object, as the components exchange them.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/text.h"

namespace zev {

// Base of the objects a string list carries (the list shares ownership with the caller).
class TObject {
 public:
  virtual ~TObject() = default;
};

class TStringList {
 public:
  std::size_t Count() const { return strings_.size(); }
  bool Empty() const { return strings_.empty(); }
  const std::string& operator[](std::size_t i) const { return strings_[i]; }
  const std::vector<std::string>& Strings() const { return strings_; }

  void Add(std::string s, std::shared_ptr<TObject> object = nullptr) {
    if (indexed_) firstOf_.emplace(UpperCase(s), strings_.size());
    strings_.push_back(std::move(s));
    objects_.push_back(std::move(object));
  }
  void Clear() {
    strings_.clear();
    objects_.clear();
    firstOf_.clear();
    indexed_ = false;
  }
  void Delete(std::size_t i) {
    strings_.erase(strings_.begin() + static_cast<std::ptrdiff_t>(i));
    objects_.erase(objects_.begin() + static_cast<std::ptrdiff_t>(i));
    firstOf_.clear();
    indexed_ = false;
  }

  // The object attached to entry i, as the type it was added with (nullptr if none or another type).
  template <class T>
  std::shared_ptr<T> Object(std::size_t i) const {
    return std::dynamic_pointer_cast<T>(objects_[i]);
  }

  // Index of the first entry equal to s ignoring letter case, or -1. The first call builds an
  // index of the folded strings, so that asking for each of N members of an archive in a list of
  // N names costs O(N), not O(N^2).
  std::ptrdiff_t IndexOf(const std::string& s) const {
    if (!indexed_) {
      for (std::size_t i = 0; i < strings_.size(); ++i) firstOf_.emplace(UpperCase(strings_[i]), i);
      indexed_ = true;
    }
    auto it = firstOf_.find(UpperCase(s));
    return it == firstOf_.end() ? -1 : static_cast<std::ptrdiff_t>(it->second);
  }

 private:
  std::vector<std::string> strings_;
  std::vector<std::shared_ptr<TObject>> objects_;
  mutable std::unordered_map<std::string, std::size_t> firstOf_;  // folded string -> first index
  mutable bool indexed_ = false;
};

}  // namespace zev
