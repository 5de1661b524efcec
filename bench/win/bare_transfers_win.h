// The bare transfers the control's are measured against: the system's
// clients used as plainly as they can be. Each lives in a file of its own,
// since <wininet.h> and <winhttp.h> can't be compiled together.
#pragma once

#include <string>

namespace qpbench {

// WinINet: the address read in 4 KiB pieces into the file at `path`.
bool BareDownload(const std::u16string& address, const std::u16string& path);

// WinHTTP: one POST to `target` with `header`, the body `before`, the
// file's bytes in 8 KiB pieces and `after`; the answer read.
bool BareUpload(const std::u16string& target, const std::u16string& header, const std::string& before,
                const std::u16string& file, const std::string& after);

}  // namespace qpbench
