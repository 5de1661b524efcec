// The text forms of the simple values in an answer: ints, booleans, the
// sizes of encoded arrays and base64 blocks that arrive in runs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace QPTSoap {

bool IsXmlSpace(char16_t c);

// 1 for true, 0 for false, -1 for anything else; no blanks allowed.
int ReadBoolean(std::u16string_view s);

// A decimal int with an optional sign and blanks around it; false when the
// text is anything else or out of range.
bool ReadInt(std::u16string_view s, int32_t& out);

// The product of the sizes between the brackets of a soapenc:arrayType
// value, or -1 when there is no readable, known size or it passes `limit`.
int64_t ReadArraySize(std::u16string_view s, uint32_t limit);

// Decodes base64 text given in runs, keeping an unfinished group between
// them. Characters outside the alphabet are passed over; a NUL ends the
// block, and text after it is ignored.
class Base64Decoder {
 public:
  // Appends the bytes of the complete groups so far to `out`.
  void Feed(std::u16string_view text, std::string& out);
  // Appends what an unfinished last group of two or three characters holds.
  void Finish(std::string& out) const;

 private:
  uint32_t quad_ = 0;
  int quadLength_ = 0;
  bool stopped_ = false;
};

}  // namespace QPTSoap
