// The browser's protected-mode answer, asked once and kept unless the question failed.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "common/hresult.h"

namespace gwax {

struct ProtectedModeReply {
  qp::Result result = qp::kENotImpl;  // kENotImpl when the function is missing
  int32_t answer = 0;                 // what the function wrote (0 when nothing)
};

class ProtectedModeCache {
 public:
  using Query = std::function<ProtectedModeReply()>;

  // 1 for a protected-mode process, else 0. A successful reply or a missing
  // function is kept; any other failure is returned as it came and asked
  // again next time.
  int32_t Answer(const Query& query);

 private:
  // Pages on several threads may ask at once; they then only ask twice.
  std::atomic<bool> known_{false};
  std::atomic<int32_t> answer_{0};
};

}  // namespace gwax
