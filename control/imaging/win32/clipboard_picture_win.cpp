#include "control/imaging/win32/clipboard_picture_win.h"

#include <windows.h>
#include <gdiplus.h>

#include <cstdlib>
#include <mutex>
#include <vector>

#include "common/utf8.h"
#include "common/win32/gdi_win.h"
#include "common/win32/wide_win.h"
#include "control/clipboard/win32/clipboard_blocks_win.h"
#include "control/imaging/picture_fragment.h"

namespace gwax {
namespace {

namespace gdip = Gdiplus::DllExports;

// GDI+ runs while anyone encodes: started by the first user, shut down by
// the last.
class GdiplusSession {
 public:
  GdiplusSession() {
    std::lock_guard<std::mutex> hold(lock_);
    if (users_ == 0) {
      Gdiplus::GdiplusStartupInput input;
      if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok) return;
    }
    ++users_;
    started_ = true;
  }
  ~GdiplusSession() {
    if (!started_) return;
    std::lock_guard<std::mutex> hold(lock_);
    if (--users_ == 0) Gdiplus::GdiplusShutdown(token_);
  }
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;
  bool Started() const { return started_; }

 private:
  static inline std::mutex lock_;
  static inline int users_ = 0;
  static inline ULONG_PTR token_ = 0;
  bool started_ = false;
};

// {B96B3CAE-0728-11D3-9D7B-0000F81EF32E}
constexpr GUID kJpegFormat = {0xb96b3cae, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};

std::optional<CLSID> JpegEncoder() {
  UINT count = 0, bytes = 0;
  if (gdip::GdipGetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || bytes == 0) return std::nullopt;
  std::vector<unsigned char> buffer(bytes);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  if (gdip::GdipGetImageEncoders(count, bytes, codecs) != Gdiplus::Ok) return std::nullopt;
  for (UINT i = 0; i < count; ++i) {
    if (IsEqualGUID(codecs[i].FormatID, kJpegFormat)) return codecs[i].Clsid;
  }
  return std::nullopt;
}

// The codec's default quality: no encoder parameters.
bool EncodeJpeg(HBITMAP bitmap, const std::u16string& path) {
  GdiplusSession session;
  if (!session.Started()) return false;
  const std::optional<CLSID> encoder = JpegEncoder();
  if (!encoder) return false;
  Gdiplus::GpBitmap* image = nullptr;
  if (gdip::GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &image) != Gdiplus::Ok) return false;
  const bool saved = gdip::GdipSaveImageToFile(image, qp::Wide(path), &*encoder, nullptr) == Gdiplus::Ok;
  gdip::GdipDisposeImage(image);
  if (!saved) DeleteFileW(qp::Wide(path));
  return saved;
}

// The first "clipNNNN.jpg" of the temporary folder that does not exist
// (the last one when all do); not created here.
std::optional<std::u16string> FreeClipFileName() {
  wchar_t folder[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH, folder);
  if (length == 0 || length >= MAX_PATH) return std::nullopt;
  const std::u16string base = qp::FromWide(folder);
  for (uint32_t counter = 0;; ++counter) {
    std::u16string name = ClipFileName(base, static_cast<uint16_t>(counter));
    if (counter == 0xffff || GetFileAttributesW(qp::Wide(name)) == INVALID_FILE_ATTRIBUTES) {
      return name;
    }
  }
}

// The metafile played into a 24-bit bitmap of its own proportions.
qp::UniqueBitmap RenderMetafile(HENHMETAFILE metafile, MetafilePictureSize* size) {
  ENHMETAHEADER header{};
  if (!GetEnhMetaFileHeader(metafile, sizeof header, &header)) return {};
  const auto measured = MetafilePictureSizeFor(
      {header.rclFrame.left, header.rclFrame.top, header.rclFrame.right, header.rclFrame.bottom},
      {header.rclBounds.left, header.rclBounds.top, header.rclBounds.right, header.rclBounds.bottom});
  if (!measured) return {};
  *size = *measured;

  BITMAPV4HEADER info{};
  info.bV4Size = sizeof info;  // 108 bytes
  info.bV4Width = measured->fittedWidth;
  info.bV4Height = measured->fittedHeight;  // bottom-up
  info.bV4Planes = 1;
  info.bV4BitCount = 24;
  info.bV4V4Compression = BI_RGB;
  info.bV4XPelsPerMeter = 12362;
  info.bV4YPelsPerMeter = 12362;
  info.bV4CSType = 1;
  void* bits = nullptr;
  qp::UniqueBitmap bitmap(CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info),
                                           DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap) return {};
  qp::UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  if (!dc) return {};
  qp::ScopedSelection selected(dc.Get(), bitmap.Get());
  // Painted at the frame's own size; what falls outside the bitmap is cut off.
  const RECT area{0, 0, measured->width, measured->height};
  FillRect(dc.Get(), &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  if (!PlayEnhMetaFile(dc.Get(), metafile, &area)) return {};
  return bitmap;
}

}  // namespace

std::optional<ConvertedPicture> SaveClipboardPictureAsJpeg() {
  const std::optional<std::u16string> path = FreeClipFileName();
  if (!path) return std::nullopt;
  ConvertedPicture picture{*path};
  // The clipboard's own bitmap stays the clipboard's.
  if (auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP))) {
    BITMAP shape{};
    if (!GetObjectW(bitmap, sizeof shape, &shape)) return std::nullopt;
    picture.width = static_cast<uint32_t>(shape.bmWidth);
    picture.height = static_cast<uint32_t>(std::abs(shape.bmHeight));
    if (!EncodeJpeg(bitmap, picture.path)) return std::nullopt;
    return picture;
  }
  if (auto metafile = static_cast<HENHMETAFILE>(GetClipboardData(CF_ENHMETAFILE))) {
    MetafilePictureSize size;
    qp::UniqueBitmap rendered = RenderMetafile(metafile, &size);
    if (!rendered) return std::nullopt;
    picture.width = static_cast<uint32_t>(size.fittedWidth);
    picture.height = static_cast<uint32_t>(size.fittedHeight);
    if (!EncodeJpeg(rendered.Get(), picture.path)) return std::nullopt;
    return picture;
  }
  return std::nullopt;
}

bool PutPictureFragment(const ConvertedPicture& picture) {
  const std::optional<std::string> fragment =
      PictureFragmentBlock(qp::Utf8FromUtf16(picture.path), picture.width, picture.height);
  if (!fragment) return false;
  const std::optional<std::string> dib = ReadClipboardBlock(CF_DIB);
  if (!EmptyClipboard()) return false;
  if (dib) SetClipboardBlock(CF_DIB, *dib);
  return SetClipboardBlock(Formats().html, *fragment);
}

}  // namespace gwax
