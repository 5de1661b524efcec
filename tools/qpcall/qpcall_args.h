// Command line of qpcall, the service diagnostics tool:
//
//   qpcall [--repeat N] [--timeout MS] [--proxy SERVER] ENDPOINT OPERATION ARG...
//
// OPERATION is one of the operations the notifier calls. Each ARG sets one
// in value by its parameter name:
//
//   name=text            a string (empty after "="), or a decimal int
//   name:nil             a null string, or a null array
//   name.field=text      a field of a record (auth.user_id=..., message.uid=...)
//   name[i].field=text   a field of element i of an array of records
//   name[i]=text         element i of an array of strings
//   name:empty           an array without elements
//
// ":nil" works wherever "=text" does. Every in value must be given, every
// record field and every array element from 0 up. Text is taken as it
// stands, with no escapes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "notifier/service/soap_description.h"

namespace qpcall {

struct Command {
  std::u16string endpoint;
  int operation = -1;  // index into the operation tables
  // One value per entry of the operation (companion counts included); the
  // in values are filled, the rest are zeroed.
  std::vector<QPTSoap::Value> parameters;
  int repeat = 1;           // calls on one client, one after the other
  uint32_t timeout_ms = 0;  // 0: the transport's defaults
  std::u16string proxy;     // empty: the system's settings
};

// The most elements one array argument may have.
inline constexpr int kMaxArrayElements = 1000;
inline constexpr int kMaxRepeat = 100;

extern const char kUsage[];

// `args` leaves out the program name. False with a message in `error` when
// the command line is not usable; `command` is then unspecified.
bool ParseArguments(const std::vector<std::u16string>& args, Command& command,
                    std::string& error);

// True for the operations qpcall can call.
bool IsCalledOperation(int index);

}  // namespace qpcall
