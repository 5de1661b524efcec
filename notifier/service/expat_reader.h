// Feeds a document to a SaxHandler through expat. A document type
// declaration fails the parse: nothing from the server gets expanded.
#pragma once

#include <string_view>

#include "notifier/service/sax_handler.h"

namespace QPTSoap {

bool ParseWithExpat(std::string_view document, SaxHandler& handler);

}  // namespace QPTSoap
