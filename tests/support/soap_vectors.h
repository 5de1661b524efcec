// The response vectors in tests/data/soap: each file with the operation it
// answers and the expected outcome, read from vectors.txt, whose lines are
//   FILE OPERATION fail
//   FILE OPERATION ok JSON       (JSON as DumpOutValues prints it)
// Blank lines and lines starting with "#" are ignored. Shared by the native
// tests (expat) and the Windows tests (MSXML).
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "notifier/service/soap_decoder.h"
#include "notifier/service/soap_description.h"
#include "notifier/service/value_dump.h"

namespace QPTSoap::testing {

struct Vector {
  std::string file;
  int operation = -1;
  bool ok = false;
  std::string json;
};

inline int OperationByName(const std::string& name) {
  for (int i = 0; i < kOperationCount; ++i) {
    if (name == Operation(i).name) return i;
  }
  return -1;
}

inline bool ReadFile(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  out = s.str();
  return true;
}

// An empty list when the file is missing or a line is malformed; `error`
// says which.
inline std::vector<Vector> LoadVectors(const std::string& dir, std::string& error) {
  std::string text;
  if (!ReadFile(dir + "/vectors.txt", text)) {
    error = "cannot read " + dir + "/vectors.txt";
    return {};
  }
  std::vector<Vector> vectors;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    Vector v;
    std::string op, outcome;
    fields >> v.file >> op >> outcome;
    v.operation = OperationByName(op);
    v.ok = outcome == "ok";
    if (v.ok) {
      fields >> std::ws;
      std::getline(fields, v.json);
    }
    if (v.operation < 0 || (!v.ok && outcome != "fail") || (v.ok && v.json.empty())) {
      error = "malformed line: " + line;
      return {};
    }
    vectors.push_back(v);
  }
  return vectors;
}

// The dump of an operation's out values before anything was decoded.
inline std::string ZeroDump(int operation) {
  std::vector<Value> values(Operation(operation).entries.size());
  ResponseDecoder reset(Operation(operation), values);
  return DumpOutValues(Operation(operation), values);
}

// Runs `parse(decoder)` with a fresh decoder; the dump of the out values on
// success, "fail" on failure, or a note when a failure left values behind.
template <typename Parse>
std::string DecodeToText(int operation, Parse parse) {
  const OperationDescription& op = Operation(operation);
  std::vector<Value> values(op.entries.size());
  ResponseDecoder decoder(op, values);
  const bool parsed = parse(decoder);
  const bool ok = decoder.Finish(parsed);
  const std::string dump = DumpOutValues(op, values);
  if (ok) return dump;
  return dump == ZeroDump(operation) ? "fail" : "fail, but values kept: " + dump;
}

// The outcome a vector expects, as DecodeToText writes it.
inline std::string Expected(const Vector& v) { return v.ok ? v.json : "fail"; }

// Calls check(vector, document) for every listed vector. Returns what could
// not be read (the list or a file), or an empty text.
template <typename Check>
std::string ForEachVector(const std::string& dir, Check check) {
  std::string error;
  const std::vector<Vector> vectors = LoadVectors(dir, error);
  if (vectors.empty()) return error.empty() ? "no vectors in " + dir : error;
  for (const Vector& v : vectors) {
    std::string document;
    if (!ReadFile(dir + "/" + v.file, document)) return "cannot read " + v.file;
    check(v, document);
  }
  return {};
}

}  // namespace QPTSoap::testing
