// An ordered list of named items (the CPs of a plant, the compounds of a CP,
// the blocks of a compound) that finds, inserts and removes an item by name in
// constant time, wherever it stands, and keeps the order the items were put in.
//
// Copies share their items until one side changes them. A copy costs only the
// sharing, so a checkpoint can take the whole plant as it stands at once; the
// first change after it copies what it changes (the list it is in, and the
// item), never the rest. Items are reached for reading as const references;
// a change goes through edit(), which makes the item this list's own first.
// An item's name must not change while it is in the list.
//
// What is shared is never changed afterwards, so a copy handed to another
// thread may be read there while this one goes on changing its own.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <functional>
#include <iterator>
#include <list>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace tarvo::sim {

template <class T>
class NamedList {
  struct Slot {
    std::shared_ptr<T> item;
    bool own = true;  // false: a copy of the list may share the item
  };
  using Order = std::list<Slot>;

 public:
  class const_iterator {
   public:
    using iterator_category = std::bidirectional_iterator_tag;
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    using pointer = const T*;
    using reference = const T&;

    const_iterator() = default;
    reference operator*() const { return *it_->item; }
    pointer operator->() const { return it_->item.get(); }
    const_iterator& operator++() {
      ++it_;
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator old = *this;
      ++it_;
      return old;
    }
    const_iterator& operator--() {
      --it_;
      return *this;
    }
    const_iterator operator--(int) {
      const_iterator old = *this;
      --it_;
      return old;
    }
    friend bool operator==(const const_iterator&, const const_iterator&) = default;

   private:
    friend class NamedList;
    explicit const_iterator(typename Order::const_iterator it) : it_(it) {}
    typename Order::const_iterator it_;
  };

  NamedList() = default;
  // Shares: both lists copy what they change from now on.
  NamedList(const NamedList& other) : body_(other.body_) {
    if (body_) body_->shared = true;
  }
  NamedList& operator=(const NamedList& other) {
    if (this != &other) {
      body_ = other.body_;
      if (body_) body_->shared = true;
    }
    return *this;
  }
  NamedList(NamedList&&) noexcept = default;
  NamedList& operator=(NamedList&&) noexcept = default;
  ~NamedList() = default;

  std::size_t size() const { return body_ ? body_->order.size() : 0; }
  bool empty() const { return size() == 0; }
  const_iterator begin() const { return const_iterator(order().begin()); }
  const_iterator end() const { return const_iterator(order().end()); }
  const T& front() const { return *begin(); }
  const T& back() const { return *std::prev(end()); }

  const T* find(std::string_view name) const {
    if (!body_) return nullptr;
    const auto it = body_->index.find(name);
    return it == body_->index.end() ? nullptr : it->second->item.get();
  }
  bool contains(std::string_view name) const { return find(name) != nullptr; }
  // The item that follows `name`; null when it is the last or not there.
  const T* next(std::string_view name) const {
    if (!body_) return nullptr;
    const auto it = body_->index.find(name);
    if (it == body_->index.end()) return nullptr;
    const auto after = std::next(it->second);
    return after == body_->order.end() ? nullptr : after->item.get();
  }

  // The item `name`, to be changed; null when it is not there.
  T* edit(std::string_view name) {
    if (!find(name)) return nullptr;
    Body& b = writable();
    return &own(*b.index.find(name)->second);
  }
  T& editBack() { return own(writable().order.back()); }
  // Changes every item `pick` chooses, in order, with `change`.
  template <class Pick, class Change>
  void editWhere(Pick pick, Change change) {
    if (empty()) return;
    for (Slot& slot : writable().order)
      if (pick(std::as_const(*slot.item))) change(own(slot));
  }

  // Adds `item` at the end, or before the item named `before`. Throws
  // std::invalid_argument when its name is taken or `before` is not there.
  T& push_back(T item) { return insert({}, std::move(item)); }
  T& insert(std::string_view before, T item) {
    Body& b = writable();
    auto at = b.order.end();
    if (!before.empty()) {
      const auto it = b.index.find(before);
      if (it == b.index.end()) throw std::invalid_argument("no item " + std::string(before));
      at = it->second;
    }
    if (b.index.find(item.name) != b.index.end())
      throw std::invalid_argument("an item " + item.name + " is there already");
    std::string name = item.name;
    const auto placed = b.order.insert(at, Slot{std::make_shared<T>(std::move(item)), true});
    b.index.emplace(std::move(name), placed);
    return *placed->item;
  }
  // Removes the item `name` and returns it; throws std::invalid_argument when
  // it is not there.
  T take(std::string_view name) {
    Body& b = writable();
    const auto it = b.index.find(name);
    if (it == b.index.end()) throw std::invalid_argument("no item " + std::string(name));
    const auto slot = it->second;
    T item = slot->own ? std::move(*slot->item) : *slot->item;
    b.index.erase(it);
    b.order.erase(slot);
    return item;
  }
  bool erase(std::string_view name) {
    if (!find(name)) return false;
    Body& b = writable();
    const auto it = b.index.find(name);
    b.order.erase(it->second);
    b.index.erase(it);
    return true;
  }

  friend bool operator==(const NamedList& a, const NamedList& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
  }

 private:
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  struct Body {
    Order order;
    std::unordered_map<std::string, typename Order::iterator, Hash, std::equal_to<>> index;
    // Set once a copy of the list shares this body; it is never changed
    // again, and a change makes a body of its own first.
    std::atomic<bool> shared = false;
  };

  const Order& order() const {
    static const Order none;
    return body_ ? body_->order : none;
  }

  Body& writable() {
    if (!body_) {
      body_ = std::make_shared<Body>();
    } else if (body_->shared) {
      auto copy = std::make_shared<Body>();
      copy->index.reserve(body_->order.size());
      for (const Slot& slot : body_->order) {
        copy->order.push_back(Slot{slot.item, false});
        copy->index.emplace(slot.item->name, std::prev(copy->order.end()));
      }
      body_ = std::move(copy);
    }
    return *body_;
  }

  // The item of `slot`, copied first when a copy of the list may share it.
  static T& own(Slot& slot) {
    if (!slot.own) {
      slot.item = std::make_shared<T>(std::as_const(*slot.item));
      slot.own = true;
    }
    return *slot.item;
  }

  std::shared_ptr<Body> body_;
};

}  // namespace tarvo::sim
