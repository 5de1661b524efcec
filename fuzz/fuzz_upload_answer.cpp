// The host's answers to an upload or a copy are outside input; so are the
// user name, session id and picture address a body carries. The input is
// read as an answer, then split at NUL bytes into the body's fields.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "control/upload/multipart.h"
#include "fuzz/fuzz_check.h"

using qp_fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const gwax::UploadAnswer& a : {gwax::ParseUploadAnswer(text), gwax::ParseCopyAnswer(text)}) {
    for (const std::string* line : {&a.path, &a.key, &a.name}) {
      Check(line->find('\n') == std::string::npos || text.find('\n') == std::string_view::npos);
      Check(line->size() <= size);
    }
  }

  std::vector<std::string> fields(1);
  for (char c : text) {
    if (c == '\0' && fields.size() < 3) {
      fields.emplace_back();
    } else {
      fields.back().push_back(c);
    }
  }
  fields.resize(3);
  const std::string delimiter = gwax::MakeDelimiter(static_cast<uint32_t>(size));
  const gwax::MultipartBody copy = gwax::CopyBody(delimiter, fields[0], fields[1], fields[2]);
  Check(copy.Segments().size() == 1 && copy.Length() == copy.Segments()[0].bytes.size());
  const gwax::MultipartBody upload = gwax::FileUploadBody(delimiter, fields[0], fields[1], size);
  uint64_t total = 0;
  for (const auto& segment : upload.Segments()) total += segment.isFile ? segment.fileSize : segment.bytes.size();
  Check(total == upload.Length());

  // The header names the body's boundary: the delimiter without its "--".
  const std::string header = gwax::ContentTypeHeader(delimiter);
  const std::string boundary = delimiter.substr(2);
  Check(header.size() > boundary.size() &&
        header.compare(header.size() - boundary.size(), boundary.size(), boundary) == 0);
  // A local file's name: the path's last part, with no separator left.
  const std::u16string path(fields[2].begin(), fields[2].end());
  const std::u16string name = gwax::FileNameOf(path);
  Check(name.find_first_of(u"\\/") == std::u16string::npos);
  Check(name.size() <= path.size() && path.compare(path.size() - name.size(), name.size(), name) == 0);
  return 0;
}
