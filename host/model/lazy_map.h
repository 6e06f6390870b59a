// A map that takes one pointer until something is put in it: most paragraphs and objects never
// hold characteristics or named properties of their own, and there are hundreds of thousands
// of them in a large document.
#pragma once

#include <map>
#include <memory>

namespace qvhost {

template <class K, class V>
class LazyMap {
 public:
  using Map = std::map<K, V>;
  using key_type = K;
  using mapped_type = V;
  using value_type = typename Map::value_type;
  using iterator = typename Map::iterator;
  using const_iterator = typename Map::const_iterator;
  using size_type = typename Map::size_type;

  LazyMap() = default;
  LazyMap(const Map &m) { *this = m; }  // NOLINT: converts like the map it stands for
  LazyMap(const LazyMap &o) { *this = o.View(); }
  LazyMap(LazyMap &&) noexcept = default;
  LazyMap &operator=(const LazyMap &o) {
    if (this != &o) *this = o.View();
    return *this;
  }
  LazyMap &operator=(LazyMap &&) noexcept = default;
  LazyMap &operator=(const Map &m) {
    if (m.empty()) {
      m_.reset();
    } else if (m_) {
      *m_ = m;
    } else {
      m_ = std::make_unique<Map>(m);
    }
    return *this;
  }
  ~LazyMap() = default;

  // The map itself (an empty one while nothing was put in).
  const Map &View() const { return m_ ? *m_ : Empty(); }
  operator const Map &() const { return View(); }  // NOLINT
  // The map, made for writing.
  Map &Mut() {
    if (!m_) m_ = std::make_unique<Map>();
    return *m_;
  }

  bool empty() const { return !m_ || m_->empty(); }
  size_type size() const { return m_ ? m_->size() : 0; }
  size_type count(const K &k) const { return m_ ? m_->count(k) : 0; }
  const V &at(const K &k) const { return View().at(k); }
  V &operator[](const K &k) { return Mut()[k]; }
  void clear() { m_.reset(); }
  size_type erase(const K &k) { return m_ ? m_->erase(k) : 0; }
  iterator erase(iterator it) { return m_->erase(it); }

  const_iterator begin() const { return View().begin(); }
  const_iterator end() const { return View().end(); }
  const_iterator find(const K &k) const { return View().find(k); }
  // Without a map these are the (equal) ends of the shared empty one, never written through.
  iterator begin() { return m_ ? m_->begin() : Empty().end(); }
  iterator end() { return m_ ? m_->end() : Empty().end(); }
  iterator find(const K &k) { return m_ ? m_->find(k) : Empty().end(); }

  bool operator==(const LazyMap &o) const { return View() == o.View(); }
  bool operator==(const Map &o) const { return View() == o; }

 private:
  static Map &Empty() {
    static Map none;
    return none;
  }
  std::unique_ptr<Map> m_;
};

}  // namespace qvhost
