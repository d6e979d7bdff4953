#pragma once
// A value that one thread writes while another reads it, with relaxed ordering: what a
// control shares between the host's parameter thread and the editor thread.

#include <atomic>

template <class T> class Relaxed
{
public:
  Relaxed(T value = T()) : mValue(value) {}
  Relaxed(const Relaxed& other) : mValue(other.load()) {}
  Relaxed& operator=(const Relaxed& other)
  {
    store(other.load());
    return *this;
  }
  Relaxed& operator=(T value)
  {
    store(value);
    return *this;
  }
  operator T() const { return load(); }

  // Read, then write: not one atomic step. For changes made by the thread that owns them.
  Relaxed& operator+=(T delta)
  {
    store(load() + delta);
    return *this;
  }

  T load() const { return mValue.load(std::memory_order_relaxed); }
  void store(T value) { mValue.store(value, std::memory_order_relaxed); }

private:
  std::atomic<T> mValue;
};
