// Prints decoded out values as JSON, one line, for tests and the qpcall tool.
//
// The output is an object with one member per out entry of the operation, in
// table order, companion counts included under their own names. A string is
// a JSON string (UTF-8; an unpaired surrogate becomes a \uXXXX escape), an
// int a number, a boolean true or false, a record an object of its fields in
// declared order, an array a JSON array; null strings, blocks and arrays are
// null. A base64Binary block that is valid UTF-8 prints as that text, as a
// JSON string; any other block prints as {"base64":"..."} (standard
// alphabet, with padding). No blanks are written between tokens.
#pragma once

#include <string>
#include <vector>

#include "notifier/service/soap_description.h"

namespace QPTSoap {

std::string DumpOutValues(const OperationDescription& operation, const std::vector<Value>& values);

// One value of `entry` (an array entry prints the whole array).
void DumpValue(const Entry& entry, const Value& value, std::string& out);

}  // namespace QPTSoap
