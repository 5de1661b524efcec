// Writes the request envelope of one call: pure ASCII, no declaration and
// no white space between tags.
#pragma once

#include <string>
#include <vector>

#include "notifier/service/soap_description.h"

namespace QPTSoap {

// Appends the escaped form of `text` to `out`.
void AppendEscaped(const std::u16string& text, std::string& out);

// `in_values` holds one value per entry whose direction includes in, in
// table order, companion counts left out (an array value carries its
// elements). Returns false, leaving `out` as it was, when the values do not
// fit the description.
bool EncodeRequest(const OperationDescription& op,
                   const std::vector<Value>& in_values, std::string& out);

}  // namespace QPTSoap
