#include "control/clipboard/win32/paste_win.h"

#include <optional>

#include "common/utf8.h"
#include "common/win32/handle_win.h"
#include "common/win32/wide_win.h"
#include "control/clipboard/cf_html.h"
#include "control/clipboard/picture_address.h"
#include "control/clipboard/win32/clipboard_blocks_win.h"
#include "control/clipboard/win32/file_uploads_win.h"
#include "control/dialogs/win32/progress_thread_win.h"
#include "control/imaging/win32/clipboard_picture_win.h"
#include "control/object/host_policy.h"
#include "control/upload/win32/upload_win.h"

namespace gwax {
namespace {

// The open clipboard's CF_HTML, when its header holds.
std::optional<std::string> ValidHtml() {
  std::optional<std::string> block = ReadClipboardBlock(Formats().html);
  if (block && !ReadCfHtmlHeader(*block)) block.reset();
  return block;
}

// Empties the clipboard and sets `formats` (format, bytes) in order.
void ReplaceClipboard(std::initializer_list<std::pair<UINT, const std::optional<std::string>*>> formats) {
  if (!EmptyClipboard()) return;
  for (const auto& [format, bytes] : formats) {
    if (*bytes) SetClipboardBlock(format, **bytes);
  }
}

// Whether the file at `path` is a picture by its first bytes; only disk
// files are read, nothing that would wait on a device or a pipe.
bool IsLocalPictureFile(const std::u16string& path) {
  qp::UniqueHandle file(CreateFileW(qp::Wide(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file || GetFileType(file.Get()) != FILE_TYPE_DISK) return false;
  char head[kPictureSignatureBytes];
  DWORD read = 0;
  if (!ReadFile(file.Get(), head, sizeof head, &read, nullptr)) return false;
  return HasPictureSignature({head, read});
}

// The address decision with the uploads behind it.
class PictureUploads {
 public:
  explicit PictureUploads(const UploadTarget& target)
      : target_(target), baseUtf8_(qp::Utf8FromUtf16(target.base)) {}

  AddressDecision Decide(std::string_view address) {
    switch (ClassifyPictureAddress(address, baseUtf8_)) {
      case PictureSource::kLocalFile:
        return UploadLocal(address);
      case PictureSource::kStoredPicture:
        return CopyStored(address);
      case PictureSource::kOther:
        break;
    }
    return {};
  }

  UploadResult& Result() { return result_; }

 private:
  // Only a picture file on a local drive leaves the machine; anything else
  // a page put on the clipboard stays where it is.
  AddressDecision UploadLocal(std::string_view address) {
    const std::optional<std::u16string> path = LocalPicturePath(address);
    if (!path || !IsLocalPictureFile(*path)) return {};
    UploadOutcome outcome;
    {
      ProgressThread progress(target_.module, u"Uploading image data...", target_.theme);
      outcome = UploadFile(target_.SaveAddress(), *path, target_.user, progress.feedback());
    }
    if (!AddUploaded(result_, outcome, qp::Utf8FromUtf16(FileNamePart(*path)))) return {};
    return {AddressDecision::Kind::kReplaced, baseUtf8_ + outcome.answer.path};
  }

  AddressDecision CopyStored(std::string_view address) {
    const UploadOutcome outcome =
        CopyByAddress(target_.SaveAddress(), std::string(address), target_.user, target_.sid);
    if (!AddUploaded(result_, outcome, outcome.answer.name)) {
      return {AddressDecision::Kind::kRefused, {}};
    }
    return {AddressDecision::Kind::kReplaced, baseUtf8_ + outcome.answer.path};
  }

  const UploadTarget& target_;
  std::string baseUtf8_;
  UploadResult result_;
};

UploadResult RewriteHtml(const UploadTarget& target) {
  std::optional<std::string> html = ReadClipboardBlock(Formats().html);
  if (!html) return {};
  PictureUploads uploads(target);
  std::optional<HtmlRewrite> rewrite =
      RewriteCfHtml(*html, [&](std::string_view address) { return uploads.Decide(address); });
  if (!rewrite || rewrite->changes <= 0) return std::move(uploads.Result());
  const std::optional<std::string> text = ReadClipboardBlock(CF_UNICODETEXT);
  const std::optional<std::string> dib = ReadClipboardBlock(CF_DIB);
  const std::optional<std::string> rewritten = std::move(rewrite->html);
  // CF_DIB stays off the clipboard until the restore, so that the paste
  // takes the HTML or the text.
  ReplaceClipboard({{CF_UNICODETEXT, &text},
                    {Formats().html, &rewritten},
                    {Formats().savedHtml, &html},
                    {Formats().savedBitmap, &dib}});
  return std::move(uploads.Result());
}

}  // namespace

bool AddUploaded(UploadResult& result, const UploadOutcome& outcome, std::string_view nameUtf8) {
  if (!outcome.ok || outcome.answer.path.empty() || outcome.answer.path[0] != '/') return false;
  result.keys.push_back(outcome.answer.key);
  result.names.emplace_back(nameUtf8);
  result.sizes.push_back(outcome.answer.size);
  return true;
}

ClipboardState AnalyseClipboard() {
  ClipboardState state;
  const PasteFormats& formats = Formats();
  for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format)) {
    state.any = true;
    if (format == formats.html) {
      const std::optional<std::string> html = ValidHtml();
      state.html = html && !HasCidPicture(*html);
    } else if (format == CF_BITMAP || format == CF_ENHMETAFILE) {
      state.image = true;
    } else if (format == CF_HDROP) {
      state.files = true;
    } else if (format == formats.fileContents) {
      state.virtualFiles = true;
    } else if (format == CF_TEXT) {
      state.text = true;
    }
  }
  if (state.text) state.virtualFiles = false;
  return state;
}

UploadResult PrepareClipboardContent(HINSTANCE module, HWND window, const PasteRequest& request,
                                     qp::ClipboardOpen& clipboard) {
  ClipboardState state = AnalyseClipboard();
  if (!state.any) return {};
  const std::optional<UploadHost> host = ParseUploadHost(request.host);
  if (!host) return {};
  const UploadTarget target{UploadBaseAddress(*host), request.user, request.theme, request.sid,
                            module, window};
  // Reading virtual files closes the clipboard: nothing else can follow.
  if (state.virtualFiles) return UploadVirtualFiles(target, clipboard);
  if (state.image && !state.text) {
    if (const auto picture = SaveClipboardPictureAsJpeg(); picture && PutPictureFragment(*picture)) {
      state.html = true;
    }
  }
  if (state.files && !state.image) return UploadDroppedFiles(target);
  if (state.html) return RewriteHtml(target);
  return {};
}

void ConvertClipboardContent() {
  if (std::optional<std::string> html = ValidHtml(); html && HasCidPicture(*html)) {
    const std::optional<std::string> text = ReadClipboardBlock(CF_UNICODETEXT);
    const std::optional<std::string> dib = ReadClipboardBlock(CF_DIB);
    ReplaceClipboard({{CF_UNICODETEXT, &text}, {CF_DIB, &dib}});
  }
  const ClipboardState state = AnalyseClipboard();
  if (!state.any || state.html) return;
  if (state.image) {
    if (const auto picture = SaveClipboardPictureAsJpeg()) PutPictureFragment(*picture);
  } else if (state.files || state.virtualFiles) {
    // Without emptying: the files stay, the paste inserts nothing.
    SetClipboardBlock(Formats().html, EmptyHtmlBlock());
  }
}

void RestoreClipboardContent() {
  const PasteFormats& formats = Formats();
  const std::pair<UINT, UINT> saved[] = {
      {formats.savedHtml, formats.html}, {formats.savedFiles, CF_HDROP}, {formats.savedBitmap, CF_DIB}};
  for (const auto& [from, to] : saved) {
    if (const std::optional<std::string> block = ReadClipboardBlock(from)) SetClipboardBlock(to, *block);
  }
}

}  // namespace gwax
