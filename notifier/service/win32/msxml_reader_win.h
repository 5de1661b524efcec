// The system's SAX reader (MSXML) feeding a SaxHandler. The reader is
// namespace-aware; a document type declaration, more than kMaxElementDepth
// nested elements, more than kMaxResponseAllocation bytes of body or of
// text kept fail the parse. A DTD fails it whatever the reader's
// "prohibit-dtd" switch does: through the reader's lexical and declaration
// handlers, and, for readers that report neither (Wine's), by spotting the
// declaration in the bytes as they are read.
#pragma once

#include <windows.h>
#include <msxml2.h>
#include <objidl.h>
#include "common/win32/com_ptr_win.h"

#include <string_view>

#include "notifier/service/sax_handler.h"

namespace QPTSoap {

class MsxmlReader {
 public:
  // Creates the reader (COM must be initialised on this thread); once, kept
  // for the client's life.
  HRESULT Create();
  // Reads `body` to its end; false when the document or a handler failed.
  bool Parse(IStream* body, SaxHandler& handler);
  // The same over bytes in memory.
  bool ParseBytes(std::string_view bytes, SaxHandler& handler);

 private:
  qp::ComPtr<ISAXXMLReader> reader_;
};

}  // namespace QPTSoap
