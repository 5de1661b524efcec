// The two requests to the host's "/saveFile.php", byte for byte: the
// boundary, the form bodies and the answers.
//
// A body is a list of segments: fixed bytes and, for a file upload, the
// file's contents between them. The same segments give the length that is
// announced before anything is sent and the bytes that are sent.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gwax {

// The largest file that is uploaded; larger ones get kTooLargePath.
inline constexpr uint64_t kMaxUploadBytes = 20 * 1024 * 1024;
inline constexpr char kTooLargePath[] = "/too_large";
// Bytes of the file sent at a time, and of the answers read.
inline constexpr size_t kUploadChunk = 8192;
inline constexpr size_t kUploadAnswerLimit = 8191;
inline constexpr size_t kCopyAnswerLimit = 2047;

// The delimiter line of a body: 13 hyphens, 16 digits and 16 hyphens. The
// digits come from the system C library's generator (msvcrt's rand())
// seeded with `seed`, the time in seconds: each is the next number modulo
// 10, so two bodies made in the same second share their boundary.
std::string MakeDelimiter(uint32_t seed);

// The boundary as the Content-Type header names it: the delimiter without
// its first two hyphens.
std::string BoundaryOf(const std::string& delimiter);

// "Content-type: multipart/form-data; boundary=" and the boundary.
std::string ContentTypeHeader(const std::string& delimiter);

struct BodySegment {
  std::string bytes;      // fixed bytes, or
  uint64_t fileSize = 0;  // the file's contents when `isFile`
  bool isFile = false;
};

class MultipartBody {
 public:
  explicit MultipartBody(std::string delimiter) : delimiter_(std::move(delimiter)) {}

  // A text field: its value as the bytes given (UTF-8).
  void Field(std::string_view name, std::string_view value);
  // The file's part; its bytes are the file's contents. The file name is
  // written as it stands, a double quote included.
  void File(std::string_view name, std::string_view fileName, uint64_t size);
  // The closing delimiter; the body is complete.
  void Close();

  const std::vector<BodySegment>& Segments() const { return segments_; }
  // What the segments add up to: the length announced up front.
  uint64_t Length() const;

 private:
  void StartPart(std::string_view headers);
  void Append(std::string_view bytes);

  std::string delimiter_;
  std::vector<BodySegment> segments_;
  bool started_ = false;
};

// The file upload's body: the user name and the file.
MultipartBody FileUploadBody(const std::string& delimiter, std::string_view user,
                             std::string_view fileName, uint64_t fileSize);
// The copy-by-address body: the user name, the picture's address and the
// session id.
MultipartBody CopyBody(const std::string& delimiter, std::string_view user, std::string_view address,
                       std::string_view sid);

// The part of a local path after its last "\" or "/".
std::u16string FileNameOf(std::u16string_view path);

// What the host answered: the stored copy's path and key; for a copy
// also its size and name. Lines end at line feeds; a carriage return
// before one stays in its line.
struct UploadAnswer {
  std::string path;
  std::string key;
  uint32_t size = 0;
  std::string name;
};
// An upload's answer: path and key. Without any line feed the whole answer
// is both.
UploadAnswer ParseUploadAnswer(std::string_view answer);
// A copy's answer: path, key, size (its leading decimal digits; not a
// number gives 0, more than 32 bits 0xFFFFFFFF), name; missing lines are
// empty.
UploadAnswer ParseCopyAnswer(std::string_view answer);

// Whether a file of `size` bytes is sent: nothing for an empty file (the
// upload fails), false for one above kMaxUploadBytes (reported as
// kTooLargePath with an empty key, nothing sent).
std::optional<bool> ShouldSend(uint64_t size);

// A request is secure when its scheme is https, whatever the port, and
// also when it goes to port 443.
bool IsSecureRequest(bool httpsScheme, uint16_t port);

}  // namespace gwax
