// Feeds arbitrary bytes as a status-200 body to the response decoder. The
// first byte picks the operation (low four bits) and whether the body
// arrives whole or in small pieces (bit 4). A failed decode must leave the
// out values in their zero state; a successful one must print. The bytes
// also pass the DOCTYPE sniffer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "notifier/service/doctype_sniffer.h"
#include "notifier/service/expat_reader.h"
#include "notifier/service/soap_decoder.h"
#include "notifier/service/value_dump.h"
#include "tests/support/piece_source.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace QPTSoap;
  if (size == 0) return 0;
  const int index = data[0] % kOperationCount;
  const std::string_view body(reinterpret_cast<const char*>(data + 1), size - 1);
  const OperationDescription& op = Operation(index);

  std::vector<Value> zero(op.entries.size());
  { ResponseDecoder reset(op, zero); }
  const std::string zero_dump = DumpOutValues(op, zero);

  std::vector<Value> values(op.entries.size());
  ResponseDecoder decoder(op, values);
  bool parsed;
  if (data[0] & 0x10) {
    QPTSoap::testing::PieceSource source(body, 1 + data[0] % 7);
    parsed = ParseWithExpat(source, decoder);
  } else {
    parsed = ParseWithExpat(body, decoder);
  }
  const bool ok = decoder.Finish(parsed);
  const std::string dump = DumpOutValues(op, values);
  if (!ok && dump != zero_dump) std::abort();  // a failure left values behind

  // The DTD guard of the Windows reader sees the same bytes in pieces.
  QPTSoap::DoctypeSniffer sniffer;
  for (size_t at = 0; at < body.size(); at += 3) sniffer.Feed(body.substr(at, 3));
  return 0;
}
