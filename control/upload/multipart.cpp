#include "control/upload/multipart.h"


namespace gwax {
namespace {

constexpr char kCrLf[] = "\r\n";

// The next line of `text` from `at`: up to a line feed (not included) or
// the end; `at` moves past the line feed.
std::string NextLine(std::string_view text, size_t* at) {
  if (*at >= text.size()) return {};
  const size_t end = text.find('\n', *at);
  const size_t stop = end == std::string_view::npos ? text.size() : end;
  std::string line(text.substr(*at, stop - *at));
  *at = end == std::string_view::npos ? text.size() : end + 1;
  return line;
}

// Leading decimal digits after blanks, at most 0xFFFFFFFF; anything else 0.
uint32_t DecimalSize(const std::string& text) {
  size_t i = text.find_first_not_of(" \t");
  if (i == std::string::npos) return 0;
  uint64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + static_cast<unsigned>(text[i] - '0');
    if (value > 0xFFFFFFFFu) return 0xFFFFFFFFu;
  }
  return static_cast<uint32_t>(value);
}

}  // namespace

std::string MakeDelimiter(uint32_t seed) {
  // msvcrt's generator, as the system's C library runs it.
  uint32_t state = seed;
  std::string delimiter(13, '-');
  for (int i = 0; i < 16; ++i) {
    state = state * 214013u + 2531011u;
    const unsigned value = (state >> 16) & 0x7FFF;
    delimiter.push_back(static_cast<char>('0' + value % 10));
  }
  delimiter.append(16, '-');
  return delimiter;
}

std::string BoundaryOf(const std::string& delimiter) { return delimiter.substr(2); }

std::string ContentTypeHeader(const std::string& delimiter) {
  return "Content-type: multipart/form-data; boundary=" + BoundaryOf(delimiter);
}

void MultipartBody::Append(std::string_view bytes) {
  if (segments_.empty() || segments_.back().isFile) segments_.emplace_back();
  segments_.back().bytes.append(bytes);
}

void MultipartBody::StartPart(std::string_view headers) {
  if (started_) Append(kCrLf);
  started_ = true;
  Append(delimiter_);
  Append(kCrLf);
  Append(headers);
  Append(kCrLf);
}

void MultipartBody::Field(std::string_view name, std::string_view value) {
  StartPart("Content-Disposition: form-data; name=\"" + std::string(name) + "\"\r\n");
  Append(value);
}

void MultipartBody::File(std::string_view name, std::string_view fileName, uint64_t size) {
  StartPart("Content-Disposition: form-data; name=\"" + std::string(name) + "\"; filename=\"" +
            std::string(fileName) + "\"\r\nContent-Type: application/octet-stream\r\n");
  BodySegment file;
  file.isFile = true;
  file.fileSize = size;
  segments_.push_back(std::move(file));
}

void MultipartBody::Close() {
  Append(kCrLf);
  Append(delimiter_);
  Append("--");
  Append(kCrLf);
}

uint64_t MultipartBody::Length() const {
  uint64_t length = 0;
  for (const auto& segment : segments_) length += segment.isFile ? segment.fileSize : segment.bytes.size();
  return length;
}

MultipartBody FileUploadBody(const std::string& delimiter, std::string_view user,
                             std::string_view fileName, uint64_t fileSize) {
  MultipartBody body(delimiter);
  body.Field("username", user);
  body.File("filecontents", fileName, fileSize);
  body.Close();
  return body;
}

MultipartBody CopyBody(const std::string& delimiter, std::string_view user, std::string_view address,
                       std::string_view sid) {
  MultipartBody body(delimiter);
  body.Field("username", user);
  body.Field("fileurl", address);
  body.Field("sid", sid);
  body.Close();
  return body;
}

std::u16string FileNameOf(std::u16string_view path) {
  const size_t cut = path.find_last_of(u"\\/");
  return std::u16string(cut == std::u16string_view::npos ? path : path.substr(cut + 1));
}

UploadAnswer ParseUploadAnswer(std::string_view answer) {
  UploadAnswer parsed;
  if (answer.find('\n') == std::string_view::npos) {
    parsed.path = parsed.key = std::string(answer);
    return parsed;
  }
  size_t at = 0;
  parsed.path = NextLine(answer, &at);
  parsed.key = NextLine(answer, &at);
  return parsed;
}

UploadAnswer ParseCopyAnswer(std::string_view answer) {
  UploadAnswer parsed;
  size_t at = 0;
  parsed.path = NextLine(answer, &at);
  parsed.key = NextLine(answer, &at);
  parsed.size = DecimalSize(NextLine(answer, &at));
  parsed.name = NextLine(answer, &at);
  return parsed;
}

std::optional<bool> ShouldSend(uint64_t size) {
  if (size == 0) return std::nullopt;
  return size <= kMaxUploadBytes;
}

bool IsSecureRequest(bool httpsScheme, uint16_t port) { return httpsScheme || port == 443; }

}  // namespace gwax
