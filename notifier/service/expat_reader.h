// Feeds a document to a SaxHandler through expat. A document type
// declaration fails the parse: nothing from the server gets expanded. So do
// more than kMaxElementDepth nested elements and more than
// kMaxResponseAllocation bytes of body or of text kept.
#pragma once

#include <string_view>

#include "notifier/service/sax_handler.h"
#include "notifier/service/xml_reader.h"

namespace QPTSoap {

// Reads `body` to its end, handing it to expat piece by piece.
bool ParseWithExpat(ByteSource& body, SaxHandler& handler);
bool ParseWithExpat(std::string_view document, SaxHandler& handler);

}  // namespace QPTSoap
