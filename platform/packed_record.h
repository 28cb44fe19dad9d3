// Little-endian fields of packed binary records (archive and segment headers), read and written
// in place over a byte buffer sized for the record.
//
// A record lists its fields once, in order, in a static member
//   template <class Io, class Self> static void Fields(Io& io, Self& record)
// calling io.Field(record.x) for each; EncodeRecord and DecodeRecord run that one list in either
// direction, so that reading and writing cannot disagree, and RecordSize counts it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace zev::platform {

class RecordWriter {
 public:
  explicit RecordWriter(std::uint8_t* out) : out_(out) {}

  template <class T>
    requires std::is_integral_v<T>
  void Field(T value) {
    auto u = static_cast<std::make_unsigned_t<T>>(value);
    for (std::size_t i = 0; i < sizeof(T); ++i) *out_++ = static_cast<std::uint8_t>(u >> (8 * i));
  }
  template <class T, std::size_t N>
    requires(sizeof(T) == 1)
  void Field(const std::array<T, N>& bytes) {
    std::memcpy(out_, bytes.data(), N);
    out_ += N;
  }

 private:
  std::uint8_t* out_;
};

class RecordReader {
 public:
  explicit RecordReader(const std::uint8_t* in) : in_(in) {}

  template <class T>
    requires std::is_integral_v<T>
  void Field(T& field) {
    using U = std::make_unsigned_t<T>;
    U u = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) u = static_cast<U>(u | static_cast<U>(static_cast<U>(*in_++) << (8 * i)));
    field = static_cast<T>(u);
  }
  template <class T, std::size_t N>
    requires(sizeof(T) == 1)
  void Field(std::array<T, N>& bytes) {
    std::memcpy(bytes.data(), in_, N);
    in_ += N;
  }

 private:
  const std::uint8_t* in_;
};

// Adds up the sizes of a record's fields, for checking a record's layout against its stated size
// when the program is compiled.
class RecordSizer {
 public:
  template <class T>
  constexpr void Field(const T&) {
    size_ += sizeof(T);
  }
  constexpr std::size_t Size() const { return size_; }

 private:
  std::size_t size_ = 0;
};

template <class Record>
constexpr std::size_t RecordSize() {
  RecordSizer sizer;
  const Record record{};
  Record::Fields(sizer, record);
  return sizer.Size();
}

template <std::size_t Size, class Record>
std::array<std::uint8_t, Size> EncodeRecord(const Record& record) {
  static_assert(RecordSize<Record>() == Size, "the record's fields do not fill its stated size");
  std::array<std::uint8_t, Size> bytes{};
  RecordWriter writer(bytes.data());
  Record::Fields(writer, record);
  return bytes;
}

// The bytes must hold at least RecordSize<Record>().
template <class Record>
Record DecodeRecord(const std::uint8_t* bytes) {
  Record record;
  RecordReader reader(bytes);
  Record::Fields(reader, record);
  return record;
}

}  // namespace zev::platform
