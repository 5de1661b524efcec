// Runs one qpcall command through the service client and renders what came
// back as one line of JSON. Portable: the fake transport drives it in the
// native tests, WinINet in qpcall.exe.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "notifier/service/soap_client.h"
#include "tools/qpcall/qpcall_args.h"

namespace qpcall {

using NamedValues = std::vector<std::pair<const char*, QPTSoap::Value>>;

// {"name":value,...} in the shared value printer's form (value_dump.h):
// UTF-8 text, null for nil, records as objects, arrays as lists.
std::string OutValuesJson(const QPTSoap::OperationDescription& operation,
                          const NamedValues& outs);
// {"fault":{...},"error":{...}} or {"error":{...}}.
std::string FailureJson(int32_t code, QPTSoap::CallStage stage, int status,
                        const QPTSoap::SoapFault& fault);

struct CallResult {
  int32_t code = qp::kEFail;
  std::string json;
};

// `command` comes from ParseArguments, so its in values fit the operation.
template <typename TClient>
CallResult RunCall(QPTSoap::CQPTSoapT<TClient>& client, const Command& command) {
  using namespace QPTSoap;
  using QPTSoapNS::OptString;
  const OperationDescription& op = Operation(command.operation);
  auto in = [&](const char* name) -> const Value& {
    return command.parameters[static_cast<size_t>(EntryIndex(op, name))];
  };
  auto text = [&](const char* name) { return in(name).text; };
  QPTSoapNS::auth credentials;
  if (EntryIndex(op, "auth") >= 0) FromValue(in("auth"), credentials);

  CallResult result;
  NamedValues outs;
  switch (command.operation) {
    case kCheckAuth: {
      OptString value;
      result.code = client.check_auth(credentials, &value);
      outs = {{"result", Value::String(value)}};
      break;
    }
    case kGetNewMessages: {
      int32_t new_header_num = 0, count = 0, total_unread = 0, new_unread = 0;
      std::optional<std::vector<QPTSoapNS::Message>> messages;
      result.code = client.get_new_messages(credentials, in("header_num").number,
                                            text("hostkey"), in("max").number,
                                            &new_header_num, &messages, &count,
                                            &total_unread, &new_unread);
      std::optional<std::vector<Value>> items;
      if (messages) {
        items.emplace();
        for (const auto& m : *messages) items->push_back(ToValue(m));
      }
      outs = {{"new_header_num", Value::Int(new_header_num)},
              {"messages", Value::Array(std::move(items))},
              {"__messages_nSizeIs", Value::Int(count)},
              {"total_unread", Value::Int(total_unread)},
              {"new_unread", Value::Int(new_unread)}};
      break;
    }
    case kGetAuthUrl: {
      OptString url;
      result.code = client.get_auth_url(credentials, text("type"), &url);
      outs = {{"url", Value::String(url)}};
      break;
    }
    case kGetMessageUrl: {
      QPTSoapNS::UIDSTR message;
      FromValue(in("message"), message);
      OptString url;
      result.code = client.get_message_url(credentials, message, text("type"), &url);
      outs = {{"url", Value::String(url)}};
      break;
    }
    case kGetGenericPref: {
      OptString value;
      result.code = client.get_generic_pref(credentials, text("pref"),
                                            in("default").number, &value);
      outs = {{"result", Value::String(value)}};
      break;
    }
    case kApplyAction: {
      std::vector<QPTSoapNS::UIDSTR> messages;
      const Value& array = in("messages");
      if (array.items) {
        for (const Value& item : *array.items) {
          messages.emplace_back();
          FromValue(item, messages.back());
        }
      }
      result.code = client.apply_action(
          credentials, array.items ? messages.data() : nullptr,
          static_cast<int32_t>(messages.size()), text("action"), text("arg"));
      break;
    }
    case kGetWatchFolders: {
      std::optional<std::vector<QPTSoapNS::Folder>> folders;
      int32_t count = 0;
      result.code = client.get_watch_folders(credentials, text("hostkey"), &folders, &count);
      std::optional<std::vector<Value>> items;
      if (folders) {
        items.emplace();
        for (const auto& f : *folders) items->push_back(ToValue(f));
      }
      outs = {{"folders", Value::Array(std::move(items))},
              {"__folders_nSizeIs", Value::Int(count)}};
      break;
    }
    case kSetFolderWatch:
      result.code = client.set_folder_watch(credentials, text("path"), in("watch").number,
                                            text("hostkey"));
      break;
    case kGetVersion: {
      int32_t version = 0;
      result.code = client.get_version(text("client"), &version);
      outs = {{"current_version", Value::Int(version)}};
      break;
    }
    case kGetUrl: {
      OptString url;
      result.code = client.get_url(credentials, text("type"), text("arg"), &url);
      outs = {{"url", Value::String(url)}};
      break;
    }
    default:
      result.code = qp::kEInvalidArg;
      break;
  }
  result.json = qp::Succeeded(result.code)
                    ? OutValuesJson(op, outs)
                    : FailureJson(result.code, client.LastFailure(), client.LastStatus(),
                                  client.LastFault());
  return result;
}

}  // namespace qpcall
