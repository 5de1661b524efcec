// The input of an XML reader: the body of an answer, read in pieces as it
// arrives.
#pragma once

#include <cstddef>
#include <string_view>

namespace QPTSoap {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Copies up to `capacity` next bytes; `got` 0 means the end. false on a read error.
  virtual bool Read(char* buffer, size_t capacity, size_t& got) = 0;
};

// Bytes already in memory.
class StringSource : public ByteSource {
 public:
  explicit StringSource(std::string_view bytes) : rest_(bytes) {}
  bool Read(char* buffer, size_t capacity, size_t& got) override {
    got = rest_.copy(buffer, capacity);
    rest_.remove_prefix(got);
    return true;
  }

 private:
  std::string_view rest_;
};

}  // namespace QPTSoap
