#include "control/object/protected_mode.h"

namespace gwax {

int32_t ProtectedModeCache::Answer(const Query& query) {
  if (known_) return answer_;
  const ProtectedModeReply reply = query();
  const int32_t answer = reply.answer != 0 ? 1 : 0;
  if (reply.result == qp::kOk || reply.result == qp::kENotImpl) {
    const int32_t kept = reply.result == qp::kOk ? answer : 0;
    answer_ = kept;
    known_ = true;
    return kept;
  }
  return answer;
}

}  // namespace gwax
