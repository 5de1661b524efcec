// The clipboard's blocks as this control trades them: read as bytes, set
// as fresh copies, never the handle that was read.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace gwax {

// The registered formats, looked up (and registered) on first use.
struct PasteFormats {
  UINT html;            // "HTML Format"
  UINT savedHtml;       // "QX HTML Format"
  UINT savedFiles;      // "QX HDROP Format"
  UINT savedBitmap;     // "QX BITMAP Format"
  UINT fileList;        // "FileGroupDescriptor"
  UINT fileContents;    // "FileContents"
};
const PasteFormats& Formats();

// The bytes of the clipboard's block in `format` (the whole block, as the
// system sizes it); nothing when it is absent or can't be read. The
// clipboard must be open.
std::optional<std::string> ReadClipboardBlock(UINT format);

// A new movable block holding `bytes`, or null.
HGLOBAL NewBlock(std::string_view bytes);

// Puts a new block holding `bytes` on the open clipboard under `format`.
bool SetClipboardBlock(UINT format, std::string_view bytes);

}  // namespace gwax
