// The multi-file download that EndMultipleDownload runs over the listed files: not built yet.
//
// Until it is, nothing is asked, shown or downloaded.
#pragma once

#include <windows.h>

#include <string>

#include "control/downloads/download_list.h"

namespace gwax {

inline void DownloadListedFilesNotBuilt(const DownloadList&, const std::u16string& /*theme*/,
                                        HWND /*owner*/) {}

}  // namespace gwax
