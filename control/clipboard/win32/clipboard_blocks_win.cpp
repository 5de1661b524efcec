#include "control/clipboard/win32/clipboard_blocks_win.h"

#include <cstring>

#include "common/win32/global_memory_win.h"

namespace gwax {

const PasteFormats& Formats() {
  static const PasteFormats formats{
      RegisterClipboardFormatW(L"HTML Format"),     RegisterClipboardFormatW(L"QX HTML Format"),
      RegisterClipboardFormatW(L"QX HDROP Format"), RegisterClipboardFormatW(L"QX BITMAP Format"),
      RegisterClipboardFormatW(L"FileGroupDescriptor"), RegisterClipboardFormatW(L"FileContents")};
  return formats;
}

std::optional<std::string> ReadClipboardBlock(UINT format) {
  HANDLE block = GetClipboardData(format);
  if (!block) return std::nullopt;
  qp::GlobalLock lock(block);
  if (!lock.Data()) return std::nullopt;
  return std::string(static_cast<const char*>(lock.Data()), lock.Size());
}

HGLOBAL NewBlock(std::string_view bytes) {
  qp::UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE, bytes.empty() ? 1 : bytes.size()));
  if (!block) return nullptr;
  {
    qp::GlobalLock lock(block.Get());
    if (!lock.Data()) return nullptr;
    if (!bytes.empty()) std::memcpy(lock.Data(), bytes.data(), bytes.size());
  }
  return block.Release();
}

bool SetClipboardBlock(UINT format, std::string_view bytes) {
  qp::UniqueGlobal block(NewBlock(bytes));
  if (!block) return false;
  if (!SetClipboardData(format, block.Get())) return false;
  block.Release();  // the clipboard owns it now
  return true;
}

}  // namespace gwax
