// Fills the clipboard the way other programs do and reads it back, for the
// paste scenarios:
//
//   clipboard_probe put LISTFILE
//       empties the clipboard and sets every format the file lists, one a
//       line (UTF-8): NAME<TAB>KIND<TAB>ARG, NAME a registered format name
//       or "#N" for a standard one, KIND one of
//         file    ARG a Windows path: the block is that file's bytes
//         bitmap  "WxH": a CF_BITMAP with a gradient (NAME #2)
//         emf     "RIGHTxBOTTOM": an enhanced metafile with that frame in
//                 0.01 mm, a rectangle and an ellipse on it (NAME #14)
//         hdrop   "PATH|PATH|...": a wide DROPFILES block (NAME #15)
//       (the system makes the last character of a text format NUL, as
//       Windows does: text blocks should end with one)
//   clipboard_probe dump
//       one line per format, in the clipboard's order: "NAME SIZE SHA256"
//       for memory blocks, "#2 WxH SHA256" for a bitmap (the hash of its
//       32-bit rows), "#14 emf SHA256" for a metafile (of its bytes),
//       "NAME gdi -" for other handles and "NAME none -" when the
//       clipboard has no data for a listed format
//   clipboard_probe dump-format NAME OUTFILE
//       writes one format's memory block to OUTFILE
//   clipboard_probe hold-virtual NAME=stream:PATH|NAME=storage:PATH ...
//                   --ready FILE --until FILE [--log FILE] [--text TEXT]
//                   [--extra NAME=PATH ...]
//       offers the files as a mail program offers attachments it has not
//       written anywhere ("FileGroupDescriptor" and "FileContents" per
//       index, as a stream or as a compound file holding a "Contents"
//       stream), and CF_TEXT and further formats, through OleSetClipboard;
//       writes the ready file, serves requests until the until file exists
//       (at most 300 s) and logs each request: "GetData NAME LINDEX TYMED"
//   clipboard_probe jpeg-size PATH      "W H" of a JPEG, read with GDI+
//   clipboard_probe temp-folder         GetTempPathW
//   clipboard_probe make-link LINK TARGET
//                                       a shell link to TARGET saved as LINK
//
// Exit code 0 when done; otherwise 1 with a message on standard error.
#include <windows.h>
#include <bcrypt.h>
#include <gdiplus.h>
#include <objidl.h>
#include <ole2.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

static_assert(sizeof(FILEDESCRIPTORA) == 332, "the 8-bit file descriptor is 332 bytes");

struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string out(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                    nullptr, 0);
  std::wstring out(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

void Print(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
}

std::string ReadWhole(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            0, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw Failure("cannot open " + Utf8(path));
  std::string data;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) data.append(buffer, got);
  CloseHandle(file);
  return data;
}

void WriteWhole(const std::wstring& path, const std::string& data) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw Failure("cannot write " + Utf8(path));
  DWORD written = 0;
  const bool ok = data.empty() || (::WriteFile(file, data.data(), static_cast<DWORD>(data.size()),
                                               &written, nullptr) &&
                                   written == data.size());
  CloseHandle(file);
  if (!ok) throw Failure("cannot write " + Utf8(path));
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Sha256(const void* data, size_t size) {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  unsigned char digest[32] = {};
  if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0 ||
      BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) != 0 ||
      BCryptHashData(hash, static_cast<PUCHAR>(const_cast<void*>(data)), static_cast<ULONG>(size),
                     0) != 0 ||
      BCryptFinishHash(hash, digest, sizeof digest, 0) != 0) {
    throw Failure("sha256 failed");
  }
  BCryptDestroyHash(hash);
  BCryptCloseAlgorithmProvider(algorithm, 0);
  static const char hex[] = "0123456789abcdef";
  std::string out;
  for (unsigned char b : digest) {
    out += hex[b >> 4];
    out += hex[b & 15];
  }
  return out;
}

// "#N" for a standard format, else the registered name.
UINT FormatId(const std::wstring& name) {
  if (name.size() > 1 && name[0] == L'#') {
    const UINT id = static_cast<UINT>(wcstoul(name.c_str() + 1, nullptr, 10));
    if (id == 0) throw Failure("bad format number " + Utf8(name));
    return id;
  }
  const UINT id = RegisterClipboardFormatW(name.c_str());
  if (id == 0) throw Failure("cannot register " + Utf8(name));
  return id;
}

std::wstring FormatName(UINT id) {
  wchar_t name[256] = {};
  if (id >= 0xC000 && GetClipboardFormatNameW(id, name, 256) > 0) return name;
  return L"#" + std::to_wstring(id);
}

// The clipboard, opened for this thread; another program may hold it for
// a moment, so the opening is tried for up to 10 s.
class OpenedClipboard {
 public:
  OpenedClipboard() {
    for (int i = 0; i < 200; ++i) {
      if (OpenClipboard(nullptr)) return;
      Sleep(50);
    }
    throw Failure("the clipboard stays busy");
  }
  ~OpenedClipboard() { CloseClipboard(); }
  OpenedClipboard(const OpenedClipboard&) = delete;
  OpenedClipboard& operator=(const OpenedClipboard&) = delete;
};

HGLOBAL MovableBlock(const std::string& data) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, data.size());
  if (!block) throw Failure("out of memory");
  if (!data.empty()) {
    void* p = GlobalLock(block);
    memcpy(p, data.data(), data.size());
    GlobalUnlock(block);
  }
  return block;
}

bool ParseSize(const std::wstring& text, long* a, long* b) {
  return swscanf(text.c_str(), L"%ldx%ld", a, b) == 2 && *a > 0 && *b > 0;
}

// A device-dependent bitmap with a colour gradient across and down.
HBITMAP GradientBitmap(long width, long height) {
  std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
  for (long y = 0; y < height; ++y) {
    for (long x = 0; x < width; ++x) {
      const DWORD r = static_cast<DWORD>(x * 255 / width);
      const DWORD g = static_cast<DWORD>(y * 255 / height);
      const DWORD b = static_cast<DWORD>((x + y) * 255 / (width + height));
      pixels[static_cast<size_t>(y) * width + x] = (r << 16) | (g << 8) | b;
    }
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  const bool ok = bitmap && SetDIBits(screen, bitmap, 0, height, pixels.data(), &info,
                                      DIB_RGB_COLORS) == height;
  ReleaseDC(nullptr, screen);
  if (!ok) throw Failure("cannot make the bitmap");
  return bitmap;
}

// A metafile whose frame is `right` x `bottom` (0.01 mm), drawn over the
// whole frame in the screen's device units.
HENHMETAFILE FramedMetafile(long right, long bottom) {
  HDC screen = GetDC(nullptr);
  const long across = MulDiv(right, GetDeviceCaps(screen, HORZRES),
                             GetDeviceCaps(screen, HORZSIZE) * 100);
  const long down = MulDiv(bottom, GetDeviceCaps(screen, VERTRES),
                           GetDeviceCaps(screen, VERTSIZE) * 100);
  RECT frame{0, 0, right, bottom};
  HDC dc = CreateEnhMetaFileW(screen, nullptr, &frame, L"clipboard_probe\0picture\0\0");
  ReleaseDC(nullptr, screen);
  if (!dc) throw Failure("cannot make the metafile");
  HBRUSH fill = CreateSolidBrush(RGB(40, 120, 200));
  HGDIOBJ old = SelectObject(dc, fill);
  Rectangle(dc, 0, 0, across, down);
  SelectObject(dc, GetStockObject(WHITE_BRUSH));
  Ellipse(dc, across / 4, down / 4, across * 3 / 4, down * 3 / 4);
  SelectObject(dc, old);
  DeleteObject(fill);
  HENHMETAFILE metafile = CloseEnhMetaFile(dc);
  if (!metafile) throw Failure("cannot close the metafile");
  return metafile;
}

std::vector<std::wstring> Split(const std::wstring& text, wchar_t separator) {
  std::vector<std::wstring> parts;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end - start));
    if (end == std::wstring::npos) return parts;
    start = end + 1;
  }
}

std::string DropFiles(const std::wstring& paths) {
  DROPFILES head{};
  head.pFiles = sizeof(DROPFILES);
  head.fWide = TRUE;
  std::wstring list;
  for (const std::wstring& path : Split(paths, L'|')) {
    list += path;
    list += L'\0';
  }
  list += L'\0';
  std::string block(reinterpret_cast<const char*>(&head), sizeof head);
  block.append(reinterpret_cast<const char*>(list.data()), list.size() * sizeof(wchar_t));
  return block;
}

int Put(const std::wstring& listFile) {
  std::istringstream lines(ReadWhole(listFile));
  struct Entry {
    UINT format;
    std::wstring kind, arg;
  };
  std::vector<Entry> entries;
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    const std::vector<std::wstring> parts = Split(Wide(line), L'\t');
    if (parts.size() != 3) throw Failure("bad line: " + line);
    entries.push_back({FormatId(parts[0]), parts[1], parts[2]});
  }
  OpenedClipboard clipboard;
  if (!EmptyClipboard()) throw Failure("cannot empty the clipboard");
  for (const Entry& e : entries) {
    HANDLE data = nullptr;
    long a = 0, b = 0;
    if (e.kind == L"file") {
      data = MovableBlock(ReadWhole(e.arg));
    } else if (e.kind == L"bitmap" && e.format == CF_BITMAP && ParseSize(e.arg, &a, &b)) {
      data = GradientBitmap(a, b);
    } else if (e.kind == L"emf" && e.format == CF_ENHMETAFILE && ParseSize(e.arg, &a, &b)) {
      data = FramedMetafile(a, b);
    } else if (e.kind == L"hdrop" && e.format == CF_HDROP) {
      data = MovableBlock(DropFiles(e.arg));
    } else {
      throw Failure("bad entry: " + Utf8(e.kind) + " " + Utf8(e.arg));
    }
    if (!SetClipboardData(e.format, data)) {
      throw Failure("SetClipboardData failed for " + Utf8(FormatName(e.format)));
    }
  }
  return 0;
}

std::string BitmapLine(HBITMAP bitmap) {
  BITMAP info{};
  if (!GetObjectW(bitmap, sizeof info, &info)) return "gdi -";
  BITMAPINFO want{};
  want.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  want.bmiHeader.biWidth = info.bmWidth;
  want.bmiHeader.biHeight = -info.bmHeight;
  want.bmiHeader.biPlanes = 1;
  want.bmiHeader.biBitCount = 32;
  want.bmiHeader.biCompression = BI_RGB;
  std::vector<DWORD> rows(static_cast<size_t>(info.bmWidth) * info.bmHeight);
  HDC screen = GetDC(nullptr);
  const int got = GetDIBits(screen, bitmap, 0, info.bmHeight, rows.data(), &want, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  const std::string size = std::to_string(info.bmWidth) + "x" + std::to_string(info.bmHeight);
  if (got != info.bmHeight) return size + " -";
  return size + " " + Sha256(rows.data(), rows.size() * sizeof(DWORD));
}

std::string MetafileLine(HENHMETAFILE metafile) {
  const UINT size = GetEnhMetaFileBits(metafile, 0, nullptr);
  if (size == 0) return "emf -";
  std::string bits(size, '\0');
  GetEnhMetaFileBits(metafile, size, reinterpret_cast<BYTE*>(bits.data()));
  return "emf " + Sha256(bits.data(), bits.size());
}

bool IsHandleFormat(UINT format) {
  return format == CF_BITMAP || format == CF_ENHMETAFILE || format == CF_PALETTE ||
         format == CF_METAFILEPICT || format == CF_DSPBITMAP || format == CF_DSPENHMETAFILE ||
         format == CF_DSPMETAFILEPICT;
}

int Dump() {
  OpenedClipboard clipboard;
  for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format)) {
    const std::string name = Utf8(FormatName(format));
    HANDLE data = GetClipboardData(format);
    if (!data) {
      Print(name + " none -");
    } else if (format == CF_BITMAP) {
      Print(name + " " + BitmapLine(static_cast<HBITMAP>(data)));
    } else if (format == CF_ENHMETAFILE) {
      Print(name + " " + MetafileLine(static_cast<HENHMETAFILE>(data)));
    } else if (IsHandleFormat(format)) {
      Print(name + " gdi -");
    } else {
      const SIZE_T size = GlobalSize(data);
      const void* p = GlobalLock(data);
      Print(name + " " + std::to_string(size) + " " + (p ? Sha256(p, size) : std::string("-")));
      if (p) GlobalUnlock(data);
    }
  }
  return 0;
}

int DumpFormat(const std::wstring& name, const std::wstring& out) {
  const UINT format = FormatId(name);
  std::string bytes;
  {
    OpenedClipboard clipboard;
    if (IsHandleFormat(format)) throw Failure(Utf8(name) + " is not a memory block");
    HANDLE data = GetClipboardData(format);
    if (!data) throw Failure("no " + Utf8(name) + " on the clipboard");
    const SIZE_T size = GlobalSize(data);
    const char* p = static_cast<const char*>(GlobalLock(data));
    if (!p && size) throw Failure("cannot lock " + Utf8(name));
    bytes.assign(p ? p : "", size);
    if (p) GlobalUnlock(data);
  }
  WriteWhole(out, bytes);
  return 0;
}

// --- Files offered without a file on disk -----------------------------------

struct VirtualFile {
  std::string name;  // 8-bit, as the descriptor holds it
  bool storage = false;
  std::string data;
};

struct ExtraFormat {
  UINT format;
  std::string data;
};

class Log {
 public:
  explicit Log(const std::wstring& path) {
    if (!path.empty()) file_ = _wfopen(path.c_str(), L"ab");
  }
  ~Log() {
    if (file_) fclose(file_);
  }
  void Line(const std::string& text) {
    FILE* to = file_ ? file_ : stdout;
    std::fwrite(text.data(), 1, text.size(), to);
    std::fputc('\n', to);
    std::fflush(to);
  }

 private:
  FILE* file_ = nullptr;
};

IStorage* CompoundFileOf(const std::string& data) {
  ILockBytes* bytes = nullptr;
  IStorage* storage = nullptr;
  IStream* contents = nullptr;
  if (FAILED(CreateILockBytesOnHGlobal(nullptr, TRUE, &bytes))) return nullptr;
  HRESULT hr = StgCreateDocfileOnILockBytes(
      bytes, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &storage);
  bytes->Release();
  if (FAILED(hr)) return nullptr;
  hr = storage->CreateStream(L"Contents", STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0,
                             0, &contents);
  if (SUCCEEDED(hr)) {
    ULONG written = 0;
    hr = contents->Write(data.data(), static_cast<ULONG>(data.size()), &written);
    contents->Release();
  }
  if (SUCCEEDED(hr)) hr = storage->Commit(STGC_DEFAULT);
  if (FAILED(hr)) {
    storage->Release();
    return nullptr;
  }
  return storage;
}

class VirtualFiles : public IDataObject {
 public:
  VirtualFiles(std::vector<VirtualFile> files, std::vector<ExtraFormat> extras, Log& log)
      : files_(std::move(files)), extras_(std::move(extras)), log_(log) {
    descriptorFormat_ = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(CFSTR_FILEDESCRIPTORA));
    contentsFormat_ = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(CFSTR_FILECONTENTS));
  }

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) {
      *out = static_cast<IDataObject*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&references_); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return left;
  }

  STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override {
    if (!format || !medium) return E_INVALIDARG;
    Note("GetData", *format);
    ZeroMemory(medium, sizeof *medium);
    if (format->cfFormat == descriptorFormat_) {
      if (!(format->tymed & TYMED_HGLOBAL)) return DV_E_TYMED;
      return Block(Descriptors(), medium);
    }
    if (format->cfFormat == contentsFormat_) {
      if (format->lindex < 0 || format->lindex >= static_cast<LONG>(files_.size())) {
        return DV_E_LINDEX;
      }
      const VirtualFile& file = files_[format->lindex];
      if (file.storage) {
        if (!(format->tymed & TYMED_ISTORAGE)) return DV_E_TYMED;
        IStorage* storage = CompoundFileOf(file.data);
        if (!storage) return E_OUTOFMEMORY;
        medium->tymed = TYMED_ISTORAGE;
        medium->pstg = storage;
        return S_OK;
      }
      if (!(format->tymed & TYMED_ISTREAM)) return DV_E_TYMED;
      IStream* stream = SHCreateMemStream(reinterpret_cast<const BYTE*>(file.data.data()),
                                          static_cast<UINT>(file.data.size()));
      if (!stream) return E_OUTOFMEMORY;
      medium->tymed = TYMED_ISTREAM;
      medium->pstm = stream;
      return S_OK;
    }
    for (const ExtraFormat& extra : extras_) {
      if (format->cfFormat != extra.format) continue;
      if (!(format->tymed & TYMED_HGLOBAL)) return DV_E_TYMED;
      return Block(extra.data, medium);
    }
    return DV_E_FORMATETC;
  }
  STDMETHODIMP GetDataHere(FORMATETC* format, STGMEDIUM*) override {
    if (format) Note("GetDataHere", *format);
    return E_NOTIMPL;
  }
  STDMETHODIMP QueryGetData(FORMATETC* format) override {
    if (!format) return E_INVALIDARG;
    Note("QueryGetData", *format);
    if (format->cfFormat == descriptorFormat_) {
      return (format->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_TYMED;
    }
    if (format->cfFormat == contentsFormat_) {
      return (format->tymed & (TYMED_ISTREAM | TYMED_ISTORAGE)) ? S_OK : DV_E_TYMED;
    }
    for (const ExtraFormat& extra : extras_) {
      if (format->cfFormat == extra.format) {
        return (format->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_TYMED;
      }
    }
    return DV_E_FORMATETC;
  }
  STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
    if (out) out->ptd = nullptr;
    return DATA_S_SAMEFORMATETC;
  }
  STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (direction != DATADIR_GET) return E_NOTIMPL;
    std::vector<FORMATETC> formats;
    formats.push_back({descriptorFormat_, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL});
    DWORD contentsMedia = 0;
    for (const VirtualFile& file : files_) contentsMedia |= file.storage ? TYMED_ISTORAGE : TYMED_ISTREAM;
    formats.push_back({contentsFormat_, nullptr, DVASPECT_CONTENT, -1, contentsMedia});
    for (const ExtraFormat& extra : extras_) {
      formats.push_back({static_cast<CLIPFORMAT>(extra.format), nullptr, DVASPECT_CONTENT, -1,
                         TYMED_HGLOBAL});
    }
    return SHCreateStdEnumFmtEtc(static_cast<UINT>(formats.size()), formats.data(), out);
  }
  STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }
  STDMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

 private:
  virtual ~VirtualFiles() = default;

  void Note(const char* what, const FORMATETC& format) {
    log_.Line(std::string(what) + " " + Utf8(FormatName(format.cfFormat)) + " " +
              std::to_string(format.lindex) + " " + std::to_string(format.tymed));
  }

  static HRESULT Block(const std::string& data, STGMEDIUM* medium) {
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = MovableBlock(data);
    return S_OK;
  }

  std::string Descriptors() const {
    std::string block(sizeof(UINT) + files_.size() * sizeof(FILEDESCRIPTORA), '\0');
    const UINT count = static_cast<UINT>(files_.size());
    memcpy(block.data(), &count, sizeof count);
    for (size_t i = 0; i < files_.size(); ++i) {
      FILEDESCRIPTORA d{};
      d.dwFlags = FD_FILESIZE | FD_ATTRIBUTES | FD_PROGRESSUI;
      d.dwFileAttributes = FILE_ATTRIBUTE_NORMAL;
      d.nFileSizeLow = static_cast<DWORD>(files_[i].data.size());
      lstrcpynA(d.cFileName, files_[i].name.c_str(), MAX_PATH);
      memcpy(block.data() + sizeof(UINT) + i * sizeof d, &d, sizeof d);
    }
    return block;
  }

  LONG references_ = 1;
  std::vector<VirtualFile> files_;
  std::vector<ExtraFormat> extras_;
  Log& log_;
  CLIPFORMAT descriptorFormat_ = 0;
  CLIPFORMAT contentsFormat_ = 0;
};

int HoldVirtual(int argc, wchar_t** argv) {
  std::vector<VirtualFile> files;
  std::vector<ExtraFormat> extras;
  std::wstring ready, until, logPath;
  for (int i = 2; i < argc; ++i) {
    const std::wstring arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == L"--ready" && hasValue) {
      ready = argv[++i];
    } else if (arg == L"--until" && hasValue) {
      until = argv[++i];
    } else if (arg == L"--log" && hasValue) {
      logPath = argv[++i];
    } else if (arg == L"--text" && hasValue) {
      extras.push_back({CF_TEXT, Utf8(argv[++i]) + std::string(1, '\0')});
    } else if (arg == L"--extra" && hasValue) {
      const std::wstring extra = argv[++i];
      const size_t eq = extra.find(L'=');
      if (eq == std::wstring::npos) throw Failure("bad --extra " + Utf8(extra));
      extras.push_back({FormatId(extra.substr(0, eq)), ReadWhole(extra.substr(eq + 1))});
    } else {
      const size_t eq = arg.rfind(L'=');
      const size_t colon = eq == std::wstring::npos ? eq : arg.find(L':', eq);
      if (colon == std::wstring::npos) throw Failure("bad argument " + Utf8(arg));
      const std::wstring kind = arg.substr(eq + 1, colon - eq - 1);
      if (kind != L"stream" && kind != L"storage") throw Failure("bad kind " + Utf8(kind));
      std::string name(MAX_PATH, '\0');
      const int n = WideCharToMultiByte(CP_ACP, 0, arg.c_str(), static_cast<int>(eq), name.data(),
                                        MAX_PATH - 1, nullptr, nullptr);
      name.resize(n);
      files.push_back({name, kind == L"storage", ReadWhole(arg.substr(colon + 1))});
    }
  }
  if (files.empty() || ready.empty() || until.empty()) throw Failure("hold-virtual: missing arguments");

  if (FAILED(OleInitialize(nullptr))) throw Failure("OleInitialize failed");
  Log log(logPath);
  VirtualFiles* data = new VirtualFiles(std::move(files), std::move(extras), log);
  HRESULT hr = OleSetClipboard(data);
  if (FAILED(hr)) {
    data->Release();
    OleUninitialize();
    throw Failure("OleSetClipboard failed");
  }
  log.Line("offered");
  WriteWhole(ready, "ready\n");
  const ULONGLONG deadline = GetTickCount64() + 300000;
  while (!Exists(until) && GetTickCount64() < deadline) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  // Only while still the clipboard's owner: OleSetClipboard(NULL) empties
  // whatever is on the clipboard.
  const bool current = OleIsCurrentClipboard(data) == S_OK;
  log.Line(current ? "released" : "replaced");
  if (current) OleSetClipboard(nullptr);
  data->Release();
  OleUninitialize();
  return 0;
}

// --- The rest ------------------------------------------------------------------

int JpegSize(const std::wstring& path) {
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) throw Failure("no GDI+");
  Gdiplus::GpImage* image = nullptr;
  UINT width = 0, height = 0;
  GUID format{};
  const bool loaded =
      Gdiplus::DllExports::GdipLoadImageFromFile(path.c_str(), &image) == Gdiplus::Ok;
  const bool ok = loaded && Gdiplus::DllExports::GdipGetImageRawFormat(image, &format) == Gdiplus::Ok &&
                  Gdiplus::DllExports::GdipGetImageWidth(image, &width) == Gdiplus::Ok &&
                  Gdiplus::DllExports::GdipGetImageHeight(image, &height) == Gdiplus::Ok;
  if (image) Gdiplus::DllExports::GdipDisposeImage(image);
  Gdiplus::GdiplusShutdown(token);
  if (!ok) throw Failure("cannot decode " + Utf8(path));
  if (!IsEqualGUID(format, Gdiplus::ImageFormatJPEG)) throw Failure(Utf8(path) + " is not a JPEG");
  Print(std::to_string(width) + " " + std::to_string(height));
  return 0;
}

int TempFolder() {
  wchar_t path[MAX_PATH + 1] = {};
  if (!GetTempPathW(MAX_PATH + 1, path)) throw Failure("GetTempPathW failed");
  Print(Utf8(path));
  return 0;
}

int MakeLink(const std::wstring& link, const std::wstring& target) {
  if (FAILED(CoInitialize(nullptr))) throw Failure("CoInitialize failed");
  IShellLinkW* shell = nullptr;
  IPersistFile* file = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&shell));
  if (SUCCEEDED(hr)) hr = shell->SetPath(target.c_str());
  if (SUCCEEDED(hr)) hr = shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
  if (SUCCEEDED(hr)) hr = file->Save(link.c_str(), TRUE);
  if (file) file->Release();
  if (shell) shell->Release();
  CoUninitialize();
  if (FAILED(hr)) throw Failure("cannot save the link");
  return 0;
}

int Usage() {
  std::fputs("usage: clipboard_probe put LISTFILE | dump | dump-format NAME OUTFILE | "
             "hold-virtual NAME=stream:PATH|NAME=storage:PATH ... --ready FILE --until FILE "
             "[--log FILE] [--text TEXT] [--extra NAME=PATH] | jpeg-size PATH | temp-folder | "
             "make-link LINK TARGET\n",
             stderr);
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return Usage();
  const std::wstring verb = argv[1];
  try {
    if (verb == L"put" && argc == 3) return Put(argv[2]);
    if (verb == L"dump" && argc == 2) return Dump();
    if (verb == L"dump-format" && argc == 4) return DumpFormat(argv[2], argv[3]);
    if (verb == L"hold-virtual") return HoldVirtual(argc, argv);
    if (verb == L"jpeg-size" && argc == 3) return JpegSize(argv[2]);
    if (verb == L"temp-folder" && argc == 2) return TempFolder();
    if (verb == L"make-link" && argc == 4) return MakeLink(argv[2], argv[3]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "clipboard_probe: %s\n", e.what());
    return 1;
  }
  return Usage();
}
