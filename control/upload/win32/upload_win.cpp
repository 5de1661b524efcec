#include "control/upload/win32/upload_win.h"

#include <algorithm>
#include <ctime>
#include <optional>
#include <string_view>
#include <vector>

#include "common/text.h"
#include "common/utf8.h"
#include "common/win32/handle_win.h"
#include "common/win32/wide_win.h"
#include "common/win32/winhttp_win.h"

namespace gwax {
namespace {

constexpr wchar_t kAgent[] = L"Vantrell/1.0";

// A request's handles, closed request first, then connection and session.
struct OpenedRequest {
  qp::UniqueHttp session;
  qp::UniqueHttp connection;
  qp::UniqueHttp request;
};

// Session, connection and POST request for `target`; nothing for an
// address that isn't http or https or when a handle can't be made. No
// security flags are set: the system validates the host's certificate.
std::optional<OpenedRequest> OpenRequest(const std::u16string& target) {
  wchar_t host[256] = {};
  wchar_t path[2048] = {};
  wchar_t extra[2048] = {};
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof(parts);
  parts.lpszHostName = host;
  parts.dwHostNameLength = 256;
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = 2048;
  parts.lpszExtraInfo = extra;
  parts.dwExtraInfoLength = 2048;
  if (!WinHttpCrackUrl(qp::Wide(target), static_cast<DWORD>(target.size()), 0, &parts)) return std::nullopt;
  if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) return std::nullopt;
  OpenedRequest opened;
  opened.session.Reset(WinHttpOpen(kAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                   WINHTTP_NO_PROXY_BYPASS, 0));
  if (!opened.session) return std::nullopt;
  opened.connection.Reset(WinHttpConnect(opened.session.Get(), host, parts.nPort, 0));
  if (!opened.connection) return std::nullopt;
  const std::wstring requestPath = std::wstring(path) + extra;
  const bool secure = IsSecureRequest(parts.nScheme == INTERNET_SCHEME_HTTPS, parts.nPort);
  opened.request.Reset(WinHttpOpenRequest(opened.connection.Get(), L"POST", requestPath.c_str(), nullptr,
                                          WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                          secure ? WINHTTP_FLAG_SECURE : 0));
  if (!opened.request) return std::nullopt;
  return opened;
}

bool WriteAll(HINTERNET request, const char* bytes, size_t count) {
  while (count > 0) {
    DWORD written = 0;
    if (!WinHttpWriteData(request, bytes, static_cast<DWORD>(count), &written) || written == 0) return false;
    bytes += written;
    count -= written;
  }
  return true;
}

// The file's contents in kUploadChunk pieces, asking `feedback` before
// each; false when cancelled, unreadable or not all written.
bool WriteFileContents(HINTERNET request, HANDLE file, uint64_t size, Feedback* feedback) {
  std::vector<char> chunk(kUploadChunk);
  uint64_t sent = 0;
  while (sent < size) {
    if (feedback) {
      if (feedback->IsCancelled()) return false;
      feedback->SetProgress(static_cast<int32_t>(sent), static_cast<int32_t>(size));
    }
    const DWORD want = static_cast<DWORD>(std::min<uint64_t>(kUploadChunk, size - sent));
    DWORD read = 0;
    if (!ReadFile(file, chunk.data(), want, &read, nullptr) || read == 0) return false;
    if (!WriteAll(request, chunk.data(), read)) return false;
    sent += read;
  }
  return true;
}

// One read of at most `limit` bytes of the answer.
std::string ReadAnswer(HINTERNET request, size_t limit) {
  std::string answer(limit, '\0');
  DWORD read = 0;
  if (!WinHttpReadData(request, answer.data(), static_cast<DWORD>(limit), &read)) return {};
  answer.resize(read);
  return answer;
}

std::string Delimiter() { return MakeDelimiter(static_cast<uint32_t>(std::time(nullptr))); }

}  // namespace

UploadOutcome UploadFile(const std::u16string& target, const std::u16string& path,
                         const std::u16string& user, Feedback* feedback) {
  qp::UniqueHandle file(CreateFileW(qp::Wide(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.Get(), &size)) return {};
  const uint64_t fileSize = static_cast<uint64_t>(size.QuadPart);
  const std::optional<bool> send = ShouldSend(fileSize);
  if (!send) return {};
  UploadOutcome outcome;
  outcome.answer.size = fileSize > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(fileSize);
  if (!*send) {
    outcome.ok = true;
    outcome.answer.path = kTooLargePath;
    return outcome;
  }
  const uint32_t reportedSize = outcome.answer.size;
  std::optional<OpenedRequest> opened = OpenRequest(target);
  if (!opened) return {};
  HINTERNET request = opened->request.Get();
  const std::string delimiter = Delimiter();
  const MultipartBody body = FileUploadBody(delimiter, qp::Utf8FromUtf16(user),
                                            qp::Utf8FromUtf16(FileNameOf(path)), fileSize);
  const std::u16string header = qp::WidenAscii(ContentTypeHeader(delimiter));
  if (!WinHttpSendRequest(request, qp::Wide(header), static_cast<DWORD>(header.size()), WINHTTP_NO_REQUEST_DATA, 0,
                          static_cast<DWORD>(body.Length()), 0)) {
    return {};
  }
  for (const BodySegment& segment : body.Segments()) {
    const bool written = segment.isFile ? WriteFileContents(request, file.Get(), segment.fileSize, feedback)
                                        : WriteAll(request, segment.bytes.data(), segment.bytes.size());
    if (!written) return {};
  }
  file.Reset();
  if (!WinHttpReceiveResponse(request, nullptr)) return {};
  outcome.answer = ParseUploadAnswer(ReadAnswer(request, kUploadAnswerLimit));
  outcome.answer.size = reportedSize;
  outcome.ok = true;
  return outcome;
}

UploadOutcome CopyByAddress(const std::u16string& target, const std::string& address,
                            const std::u16string& user, const std::u16string& sid) {
  std::optional<OpenedRequest> opened = OpenRequest(target);
  if (!opened) return {};
  HINTERNET request = opened->request.Get();
  const std::string delimiter = Delimiter();
  const MultipartBody body = CopyBody(delimiter, qp::Utf8FromUtf16(user), address, qp::Utf8FromUtf16(sid));
  const std::string& bytes = body.Segments().front().bytes;
  const std::u16string header = qp::WidenAscii(ContentTypeHeader(delimiter));
  if (!WinHttpSendRequest(request, qp::Wide(header), static_cast<DWORD>(-1), WINHTTP_NO_REQUEST_DATA, 0,
                          static_cast<DWORD>(bytes.size()), 0)) {
    return {};
  }
  WriteAll(request, bytes.data(), bytes.size());
  WinHttpReceiveResponse(request, nullptr);
  const std::string answer = ReadAnswer(request, kCopyAnswerLimit);
  UploadOutcome outcome;
  outcome.ok = !answer.empty();
  outcome.answer = ParseCopyAnswer(answer);
  return outcome;
}

}  // namespace gwax
