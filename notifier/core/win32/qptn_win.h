// The application object as the Windows program has it: five account slots
// and the service client over WinINet and the system's SAX reader.
#pragma once

#include "notifier/core/qptn_app.h"
#include "notifier/service/soap_client.h"
#include "notifier/service/win32/wininet_client_win.h"

namespace qptn {

using Qptn = QptnT<5, QPTSoap::CQPTSoapT<QPTSoap::WininetClient>>;

}  // namespace qptn
