// Feeds arbitrary bytes as a status-500 body to the fault decoder, whole and
// in small pieces as a slow server sends them: the fault read must be the
// same both ways.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "notifier/service/expat_reader.h"
#include "notifier/service/soap_fault.h"
#include "tests/support/piece_source.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using qp_fuzz::Check;
  const std::string_view body(reinterpret_cast<const char*>(data), size);
  QPTSoap::SoapFault whole;
  QPTSoap::FaultDecoder wholeDecoder(whole);
  const bool wholeParsed = QPTSoap::ParseWithExpat(body, wholeDecoder);

  QPTSoap::SoapFault pieces;
  QPTSoap::FaultDecoder piecesDecoder(pieces);
  QPTSoap::testing::PieceSource source(body, 1 + size % 7);
  const bool piecesParsed = QPTSoap::ParseWithExpat(source, piecesDecoder);

  Check(wholeParsed == piecesParsed);
  if (wholeParsed) {
    Check(whole.code == pieces.code && whole.faultcode == pieces.faultcode &&
          whole.faultstring == pieces.faultstring && whole.faultactor == pieces.faultactor &&
          whole.detail == pieces.detail);
  }
  return 0;
}
