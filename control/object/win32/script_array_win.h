// Writes results into the arrays a page's script passes in, element by element.
//
// Through IDispatchEx, as script engines expose their arrays.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <cstdint>
#include <string>
#include <vector>

namespace gwax {

// The script object that `target` holds, when it is one that answers to
// IDispatchEx; nothing otherwise (strings, numbers, empty, null objects).
// Both return how many elements were written, from index 0 upward; the
// array's existing length is left as it is. Writing stops at the first
// element the object refuses.
size_t FillScriptArray(VARIANT* target, const std::vector<std::string>& utf8Texts);
size_t FillScriptArray(VARIANT* target, const std::vector<uint32_t>& numbers);

}  // namespace gwax
