// The two requests to the host's "/saveFile.php" over WinHTTP: a file
// upload and the copy of a picture the host already stores.
#pragma once

#include <cstdint>
#include <string>

#include "control/dialogs/feedback.h"
#include "control/upload/multipart.h"

namespace gwax {

struct UploadOutcome {
  bool ok = false;
  UploadAnswer answer;  // for a file upload, answer.size is the file's size
};

// Uploads the file at `path` to `target` (the base address and
// "/saveFile.php") as `user`. Fails for an address that is neither http
// nor https (nothing is sent), a file that can't be read or is empty, a
// refused certificate, a failed write, or a `feedback` that reports
// cancelling before a chunk; a file above kMaxUploadBytes succeeds as
// kTooLargePath with an empty key, nothing sent.
UploadOutcome UploadFile(const std::u16string& target, const std::u16string& path,
                         const std::u16string& user, Feedback* feedback);

// Asks the host to copy the picture at `address` (its bytes as the HTML
// holds them); succeeds when the host answered anything.
UploadOutcome CopyByAddress(const std::u16string& target, const std::string& address,
                            const std::u16string& user, const std::u16string& sid);

}  // namespace gwax
