// The request envelope the encoder must write around one operation's
// parameters, byte for byte, as the tests spell it out.
#pragma once

#include <string>

namespace QPTSoap {

inline std::string ExpectedRequest(const std::string& operation, const std::string& parameters) {
  return "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\""
         " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
         " xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\""
         " xmlns:soapenc=\"http://schemas.xmlsoap.org/soap/encoding/\">"
         "<soap:Body soap:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">"
         "<snp:" + operation + " xmlns:snp=\"QPTSoapNS\">" + parameters + "</snp:" + operation +
         ">"
         "</soap:Body></soap:Envelope>";
}

}  // namespace QPTSoap
