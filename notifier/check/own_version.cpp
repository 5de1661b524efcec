#include "notifier/check/own_version.h"

#include "qp_version.h"

namespace qptn {

const int32_t kOwnVersion = QP_VERSION_NUMBER;
const char16_t kVersionText[] = u"  (Version " QP_VERSION_TEXT u")";

}  // namespace qptn
