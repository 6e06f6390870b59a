// A map kept as one sorted vector: what the characteristics of a format are. Every format has
// every characteristic, there are thousands of formats in a large catalogue, and a tree node
// per characteristic costs twice the characteristic itself. Lookups are binary searches;
// inserting a key that is not there moves the ones after it (formats never gain keys once
// made), and invalidates iterators as a vector's insertion does.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <map>
#include <utility>
#include <stdexcept>
#include <tuple>
#include <vector>

namespace qvhost {

template <class K, class V>
class FlatMap {
 public:
  using key_type = K;
  using mapped_type = V;
  using value_type = std::pair<K, V>;
  using Items = std::vector<value_type>;
  using iterator = typename Items::iterator;
  using const_iterator = typename Items::const_iterator;
  using size_type = typename Items::size_type;

  FlatMap() = default;
  FlatMap(std::initializer_list<value_type> l) {
    for (const value_type &e : l) insert(e);
  }
  FlatMap(const std::map<K, V> &m) : items_(m.begin(), m.end()) {}            // NOLINT: as the map
  operator std::map<K, V>() const { return {items_.begin(), items_.end()}; }  // NOLINT

  iterator begin() { return items_.begin(); }
  iterator end() { return items_.end(); }
  const_iterator begin() const { return items_.begin(); }
  const_iterator end() const { return items_.end(); }
  size_type size() const { return items_.size(); }
  bool empty() const { return items_.empty(); }
  void clear() { items_.clear(); }
  void reserve(size_type n) { items_.reserve(n); }

  iterator lower_bound(const K &k) {
    return std::lower_bound(items_.begin(), items_.end(), k,
                            [](const value_type &e, const K &key) { return e.first < key; });
  }
  const_iterator lower_bound(const K &k) const {
    return std::lower_bound(items_.begin(), items_.end(), k,
                            [](const value_type &e, const K &key) { return e.first < key; });
  }
  iterator find(const K &k) {
    auto it = lower_bound(k);
    return it != end() && it->first == k ? it : end();
  }
  const_iterator find(const K &k) const {
    auto it = lower_bound(k);
    return it != end() && it->first == k ? it : end();
  }
  size_type count(const K &k) const { return find(k) != end(); }
  bool contains(const K &k) const { return find(k) != end(); }
  const V &at(const K &k) const {
    auto it = find(k);
    if (it == end()) throw std::out_of_range("FlatMap::at");
    return it->second;
  }
  V &at(const K &k) {
    auto it = find(k);
    if (it == end()) throw std::out_of_range("FlatMap::at");
    return it->second;
  }
  template <class... A>
  std::pair<iterator, bool> emplace(const K &k, A &&...v) {
    auto it = lower_bound(k);
    if (it != end() && it->first == k) return {it, false};
    return {items_.emplace(it, std::piecewise_construct, std::forward_as_tuple(k),
                           std::forward_as_tuple(std::forward<A>(v)...)),
            true};
  }
  std::pair<iterator, bool> insert(const value_type &e) { return emplace(e.first, e.second); }
  std::pair<iterator, bool> insert_or_assign(const K &k, V v) {
    auto [it, added] = emplace(k);
    it->second = std::move(v);
    return {it, added};
  }
  V &operator[](const K &k) { return emplace(k).first->second; }
  size_type erase(const K &k) {
    auto it = find(k);
    if (it == end()) return 0;
    items_.erase(it);
    return 1;
  }
  iterator erase(const_iterator it) { return items_.erase(it); }

  bool operator==(const FlatMap &o) const { return items_ == o.items_; }

 private:
  Items items_;
};

}  // namespace qvhost
