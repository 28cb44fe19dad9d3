// Little-endian fields of packed binary records (archive and segment headers), read and written
// in place over a byte buffer that the caller sized for the record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace zev::platform {

class RecordWriter {
 public:
  explicit RecordWriter(std::uint8_t* out) : out_(out) {}

  template <class T>
  void Int(T value) {
    static_assert(std::is_integral_v<T>);
    auto u = static_cast<std::make_unsigned_t<T>>(value);
    for (std::size_t i = 0; i < sizeof(T); ++i) *out_++ = static_cast<std::uint8_t>(u >> (8 * i));
  }
  void Bytes(const void* data, std::size_t n) {
    std::memcpy(out_, data, n);
    out_ += n;
  }

 private:
  std::uint8_t* out_;
};

class RecordReader {
 public:
  explicit RecordReader(const std::uint8_t* in) : in_(in) {}

  template <class T>
  T Int() {
    static_assert(std::is_integral_v<T>);
    using U = std::make_unsigned_t<T>;
    U u = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) u = static_cast<U>(u | static_cast<U>(static_cast<U>(*in_++) << (8 * i)));
    return static_cast<T>(u);
  }
  // Reads into an integer field, taking its type from the field.
  template <class T>
  void Into(T& field) {
    field = Int<T>();
  }
  void Bytes(void* data, std::size_t n) {
    std::memcpy(data, in_, n);
    in_ += n;
  }

 private:
  const std::uint8_t* in_;
};

}  // namespace zev::platform
