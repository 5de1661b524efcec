// The mail service client: one method per operation the notifier calls.
//
// Every method returns an HRESULT-style code (negative on failure) and
// writes its outputs only when it succeeds; a null output pointer gives
// qp::kEPointer before anything is sent. Out strings and arrays become the
// caller's. A status-500 answer leaves its fault in LastFault() until the
// next call starts. One call at a time per client.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "notifier/app/constants.h"
#include "common/hresult.h"
#include "notifier/service/soap_decoder.h"
#include "notifier/service/soap_description.h"
#include "notifier/service/soap_encoder.h"
#include "notifier/service/soap_fault.h"
#include "notifier/service/soap_records.h"
#include "notifier/service/soap_transport.h"

namespace QPTSoap {

// Where the last call stopped, for diagnostics.
enum class CallStage { kNone, kReader, kEncode, kSend, kFault, kDecode };

// The SOAPAction header line of one operation, CR LF included.
inline std::u16string SoapActionLine(const char* operation) {
  std::string line = "SOAPAction: \"http://";
  line += qptn::kDevelopmentHost;
  line += "/soap/public.php/";
  line += operation;
  line += "\"\r\n";
  return std::u16string(line.begin(), line.end());
}

// The address a client posts to until the application sets one.
inline std::u16string DefaultEndpoint() {
  std::string host = qptn::kDevelopmentHost;
  return u"http://" + std::u16string(host.begin(), host.end()) + qptn::kSoapPath;
}

template <typename TClient>
class CQPTSoapT {
 public:
  using auth = QPTSoapNS::auth;
  using UIDSTR = QPTSoapNS::UIDSTR;
  using Message = QPTSoapNS::Message;
  using Folder = QPTSoapNS::Folder;
  using OptString = QPTSoapNS::OptString;

  template <typename... Args>
  explicit CQPTSoapT(Args&&... args) : client_(std::forward<Args>(args)...) {
    client_.SetEndpoint(DefaultEndpoint());
  }
  CQPTSoapT(const CQPTSoapT&) = delete;
  CQPTSoapT& operator=(const CQPTSoapT&) = delete;
  ~CQPTSoapT() { Wipe(request_); }

  // Closes any open connection; qp::kEInvalidArg when the address cannot be
  // parsed, and later calls fail until a usable one is set.
  int32_t SetEndpoint(std::u16string_view address) {
    return client_.SetEndpoint(address) ? qp::kOk : qp::kEInvalidArg;
  }

  const SoapFault& LastFault() const { return fault_; }
  CallStage LastFailure() const { return stage_; }
  int LastStatus() const { return status_; }
  TClient& Client() { return client_; }

  int32_t check_auth(const auth& credentials, OptString* result) {
    if (!result) return qp::kEPointer;
    Call call(*this, kCheckAuth);
    if (!call.Start()) return call.code;
    call.Set("auth", ToValue(credentials));
    if (!call.Run()) return call.code;
    *result = call.Out("result").text;
    return qp::kOk;
  }

  // `messages` and `messages_count` receive the array as decoded; whether a
  // count without an array is usable is the caller's decision.
  int32_t get_new_messages(const auth& credentials, int32_t header_num,
                           const OptString& hostkey, int32_t max,
                           int32_t* new_header_num,
                           std::optional<std::vector<Message>>* messages,
                           int32_t* messages_count, int32_t* total_unread,
                           int32_t* new_unread) {
    if (!new_header_num || !messages || !messages_count || !total_unread || !new_unread) {
      return qp::kEPointer;
    }
    Call call(*this, kGetNewMessages);
    if (!call.Start()) return call.code;
    call.Set("auth", ToValue(credentials));
    call.Set("header_num", Value::Int(header_num));
    call.Set("hostkey", Value::String(hostkey));
    call.Set("max", Value::Int(max));
    if (!call.Run()) return call.code;
    std::optional<std::vector<Message>> list;
    if (!call.OutArray("messages", list)) return call.Fail(CallStage::kDecode);
    *new_header_num = call.Out("new_header_num").number;
    *messages = std::move(list);
    *messages_count = call.Out("__messages_nSizeIs").number;
    *total_unread = call.Out("total_unread").number;
    *new_unread = call.Out("new_unread").number;
    return qp::kOk;
  }

  int32_t get_auth_url(const auth& credentials, const OptString& type, OptString* url) {
    if (!url) return qp::kEPointer;
    Call call(*this, kGetAuthUrl);
    if (!call.Start()) return call.code;
    call.Set("auth", ToValue(credentials));
    call.Set("type", Value::String(type));
    if (!call.Run()) return call.code;
    *url = call.Out("url").text;
    return qp::kOk;
  }

  int32_t get_message_url(const auth& credentials, const UIDSTR& message,
                          const OptString& type, OptString* url) {
    if (!url) return qp::kEPointer;
    Call call(*this, kGetMessageUrl);
    if (!call.Start()) return call.code;
    call.Set("auth", ToValue(credentials));
    call.Set("message", ToValue(message));
    call.Set("type", Value::String(type));
    if (!call.Run()) return call.code;
    *url = call.Out("url").text;
    return qp::kOk;
  }

  int32_t get_generic_pref(const auth& credentials, const OptString& pref,
                           int32_t default_value, OptString* result) {
    if (!result) return qp::kEPointer;
    Call call(*this, kGetGenericPref);
    if (!call.Start()) return call.code;
    call.Set("auth", ToValue(credentials));
    call.Set("pref", Value::String(pref));
    call.Set("default", Value::Int(default_value));
    if (!call.Run()) return call.code;
    *result = call.Out("result").text;
    return qp::kOk;
  }

  // `messages` null with a count of 0 sends a nil array.
  int32_t apply_action(const auth& credentials, const UIDSTR* messages,
                       int32_t messages_count, const OptString& action,
                       const OptString& arg) {
    if (!messages && messages_count != 0) return qp::kEPointer;
    if (messages_count < 0) return qp::kEInvalidArg;
    Call call(*this, kApplyAction);
    if (!call.Start()) return call.code;
    call.Set("auth", ToValue(credentials));
    if (messages) {
      std::vector<Value> items;
      for (int32_t i = 0; i < messages_count; ++i) items.push_back(ToValue(messages[i]));
      call.Set("messages", Value::Array(std::move(items)));
    }
    call.Set("__messages_nSizeIs", Value::Int(messages_count));
    call.Set("action", Value::String(action));
    call.Set("arg", Value::String(arg));
    return call.Run() ? qp::kOk : call.code;
  }

  int32_t get_watch_folders(const auth& credentials, const OptString& hostkey,
                            std::optional<std::vector<Folder>>* folders,
                            int32_t* folders_count) {
    if (!folders || !folders_count) return qp::kEPointer;
    Call call(*this, kGetWatchFolders);
    if (!call.Start()) return call.code;
    call.Set("auth", ToValue(credentials));
    call.Set("hostkey", Value::String(hostkey));
    if (!call.Run()) return call.code;
    std::optional<std::vector<Folder>> list;
    if (!call.OutArray("folders", list)) return call.Fail(CallStage::kDecode);
    *folders = std::move(list);
    *folders_count = call.Out("__folders_nSizeIs").number;
    return qp::kOk;
  }

  int32_t set_folder_watch(const auth& credentials, const OptString& path,
                           int32_t watch, const OptString& hostkey) {
    Call call(*this, kSetFolderWatch);
    if (!call.Start()) return call.code;
    call.Set("auth", ToValue(credentials));
    call.Set("path", Value::String(path));
    call.Set("watch", Value::Int(watch));
    call.Set("hostkey", Value::String(hostkey));
    return call.Run() ? qp::kOk : call.code;
  }

  int32_t get_version(const OptString& client, int32_t* current_version) {
    if (!current_version) return qp::kEPointer;
    Call call(*this, kGetVersion);
    if (!call.Start()) return call.code;
    call.Set("client", Value::String(client));
    if (!call.Run()) return call.code;
    *current_version = call.Out("current_version").number;
    return qp::kOk;
  }

  int32_t get_url(const auth& credentials, const OptString& type, const OptString& arg,
                  OptString* url) {
    if (!url) return qp::kEPointer;
    Call call(*this, kGetUrl);
    if (!call.Start()) return call.code;
    call.Set("auth", ToValue(credentials));
    call.Set("type", Value::String(type));
    call.Set("arg", Value::String(arg));
    if (!call.Run()) return call.code;
    *url = call.Out("url").text;
    return qp::kOk;
  }

 private:
  // One call's parameter record: one value per entry of the operation,
  // zeroed and wiped when the call ends, whatever its outcome.
  class Call {
   public:
    Call(CQPTSoapT& owner, int index)
        : owner_(owner), op_(Operation(index)) {}
    ~Call() { Wipe(params_); }
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;

    // Ensures the reader and clears what the previous call left.
    bool Start() {
      owner_.stage_ = CallStage::kNone;
      owner_.status_ = 0;
      // Cleared before the reader is ensured, so that a call failing there
      // never shows the previous call's fault as its own.
      owner_.fault_ = SoapFault{};
      const int32_t reader = owner_.client_.EnsureReader();
      if (qp::Failed(reader)) {
        code = reader;
        owner_.stage_ = CallStage::kReader;
        return false;
      }
      Wipe(owner_.request_);
      owner_.client_.BeginCall();
      params_ = ZeroedParameters(op_);
      return true;
    }

    void Set(const char* name, Value value) { params_[Index(name)] = std::move(value); }
    const Value& Out(const char* name) const { return params_[Index(name)]; }

    template <typename Record>
    bool OutArray(const char* name, std::optional<std::vector<Record>>& list) const {
      const Value& array = Out(name);
      if (!array.items) return true;
      list.emplace();
      list->reserve(array.items->size());
      for (const Value& item : *array.items) {
        Record record;
        if (!FromValue(item, record)) return false;
        list->push_back(std::move(record));
      }
      return true;
    }

    // Encodes, sends and decodes; the outs are in the parameter record
    // when it returns true.
    bool Run() {
      std::vector<Value> in = InValues(op_, params_);
      const bool encoded = EncodeRequest(op_, in, owner_.request_);
      Wipe(in);
      if (!encoded) {
        Fail(CallStage::kEncode);
        return false;
      }
      const SendResult sent =
          owner_.client_.Send(SoapActionLine(op_.name), owner_.request_);
      // The request holds the password; it is not needed once sent.
      Wipe(owner_.request_);
      owner_.status_ = sent.status;
      switch (sent.outcome) {
        case SendOutcome::kFailed:
          Fail(CallStage::kSend);
          return false;
        case SendOutcome::kFault: {
          FaultDecoder fault(owner_.fault_);
          owner_.client_.ParseFault(fault);
          Fail(CallStage::kFault);
          return false;
        }
        case SendOutcome::kResponse:
          break;
      }
      ResponseDecoder decoder(op_, params_);
      if (!owner_.client_.ParseResponse(decoder) || !decoder.Finish()) {
        Fail(CallStage::kDecode);
        return false;
      }
      return true;
    }

    int32_t Fail(CallStage stage) {
      owner_.stage_ = stage;
      code = qp::kEFail;
      return code;
    }

    int32_t code = qp::kEFail;

   private:
    size_t Index(const char* name) const {
      // The names come from this class and the fixed tables.
      return static_cast<size_t>(EntryIndex(op_, name));
    }

    CQPTSoapT& owner_;
    const OperationDescription& op_;
    std::vector<Value> params_;
  };

  TClient client_;
  std::string request_;
  SoapFault fault_;
  CallStage stage_ = CallStage::kNone;
  int status_ = 0;
};

}  // namespace QPTSoap
