// Feeds arbitrary bytes as a status-500 body to the fault decoder.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "notifier/service/expat_reader.h"
#include "notifier/service/soap_fault.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QPTSoap::SoapFault fault;
  QPTSoap::FaultDecoder decoder(fault);
  QPTSoap::ParseWithExpat(
      std::string_view(reinterpret_cast<const char*>(data), size), decoder);
  return 0;
}
