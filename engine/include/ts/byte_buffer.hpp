// A growable byte buffer whose spare room is left uninitialised, for the hot output paths.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace ts {

class ByteBuffer {
 public:
  ByteBuffer() = default;
  ByteBuffer(const ByteBuffer&) = delete;
  ByteBuffer& operator=(const ByteBuffer&) = delete;
  ByteBuffer(ByteBuffer&&) noexcept = default;
  ByteBuffer& operator=(ByteBuffer&&) noexcept = default;

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const std::uint8_t* data() const { return data_.get(); }
  std::uint8_t* data() { return data_.get(); }
  std::string_view view() const { return {reinterpret_cast<const char*>(data_.get()), size_}; }
  std::string str() const { return std::string(view()); }

  void clear() { size_ = 0; }

  // Room for at least n more bytes; returns where they go.  Nothing is counted until
  // commit().
  std::uint8_t* reserveMore(std::size_t n) {
    if (capacity_ - size_ < n) regrow(n);
    return data_.get() + size_;
  }
  void commit(std::size_t n) { size_ += n; }

  void append(const void* p, std::size_t n) {
    if (n == 0) return;
    std::memcpy(reserveMore(n), p, n);
    size_ += n;
  }
  void append(std::string_view s) { append(s.data(), s.size()); }
  void push(std::uint8_t b) {
    *reserveMore(1) = b;
    ++size_;
  }
  // Drops the first n bytes.
  void consumeFront(std::size_t n) {
    if (n >= size_) {
      size_ = 0;
      return;
    }
    std::memmove(data_.get(), data_.get() + n, size_ - n);
    size_ -= n;
  }
  // Drops bytes past n.
  void truncate(std::size_t n) {
    if (n < size_) size_ = n;
  }

 private:
  void regrow(std::size_t n) {
    const std::size_t need = size_ + n;
    std::size_t cap = capacity_ < 128 ? 256 : capacity_ * 2;
    if (cap < need) cap = need;
    std::unique_ptr<std::uint8_t[]> next(new std::uint8_t[cap]);
    if (size_ != 0) std::memcpy(next.get(), data_.get(), size_);
    data_ = std::move(next);
    capacity_ = cap;
  }

  std::unique_ptr<std::uint8_t[]> data_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace ts
