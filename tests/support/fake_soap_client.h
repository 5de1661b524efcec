// A transport for CQPTSoapT that answers canned bodies through expat and
// keeps a log of what the client sent.
#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "notifier/service/expat_reader.h"
#include "common/hresult.h"
#include "notifier/service/soap_transport.h"

namespace QPTSoap {

class FakeSoapClient final : public Transport {
 public:
  struct Answer {
    bool sent = true;  // false: the send itself fails
    int status = 200;
    std::string body;
  };
  struct Request {
    std::u16string action_line;
    std::string body;
  };

  // Answers are used one per call, in order; without one a send fails.
  void Queue(int status, std::string body) { answers_.push_back({true, status, std::move(body)}); }
  void QueueSendFailure() { answers_.push_back({false, 0, {}}); }
  void FailReader(int32_t code) { reader_code_ = code; }

  std::vector<Request> sent;
  std::vector<std::u16string> endpoints;
  int reader_creations = 0;
  int begun_calls = 0;
  int fault_parses = 0;

  int32_t EnsureReader() override {
    if (qp::Failed(reader_code_)) return reader_code_;
    if (!reader_) ++reader_creations;
    reader_ = true;
    return qp::kOk;
  }
  void BeginCall() override {
    ++begun_calls;
    body_.clear();
  }
  SendResult Send(std::u16string_view action_line, std::string_view body) override {
    sent.push_back({std::u16string(action_line), std::string(body)});
    if (answers_.empty() || !answers_.front().sent) {
      if (!answers_.empty()) answers_.pop_front();
      return {};
    }
    Answer answer = std::move(answers_.front());
    answers_.pop_front();
    body_ = std::move(answer.body);
    return ClassifyStatus(answer.status);
  }
  bool ParseResponse(SaxHandler& handler) override { return ParseWithExpat(body_, handler); }
  bool ParseFault(SaxHandler& handler) override {
    ++fault_parses;
    return ParseWithExpat(body_, handler);
  }
  bool SetEndpoint(std::u16string_view address) override {
    endpoints.emplace_back(address);
    return address.substr(0, 4) == u"http";
  }

 private:
  std::deque<Answer> answers_;
  std::string body_;
  bool reader_ = false;
  int32_t reader_code_ = qp::kOk;
};

}  // namespace QPTSoap
