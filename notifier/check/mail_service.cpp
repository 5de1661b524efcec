#include "notifier/check/mail_service.h"

namespace qptn {

CallOutcome ClientMailService::GetNewMessages(const Credentials& account, int32_t headerNum,
                                              const std::u16string& hostKey, int32_t max,
                                              NewMail& answer) {
  CallAuth auth(account);
  return client_.Run([&](QPTSoap::ServiceClient& client) {
    return client.get_new_messages(auth.Get(), headerNum, hostKey, max, &answer.newHeaderNum,
                                   &answer.messages, &answer.count, &answer.totalUnread,
                                   &answer.newUnread);
  });
}

CallOutcome ClientMailService::GetWatchFolders(const Credentials& account,
                                               const std::u16string& hostKey, int32_t& folders) {
  CallAuth auth(account);
  std::optional<std::vector<QPTSoapNS::Folder>> list;
  int32_t count = 0;
  CallOutcome outcome = client_.Run([&](QPTSoap::ServiceClient& client) {
    return client.get_watch_folders(auth.Get(), hostKey, &list, &count);
  });
  folders = list ? static_cast<int32_t>(list->size()) : 0;
  return outcome;
}

CallOutcome ClientMailService::SetFolderWatch(const Credentials& account,
                                              const std::u16string& path, int32_t watch,
                                              const std::u16string& hostKey) {
  CallAuth auth(account);
  return client_.Run([&](QPTSoap::ServiceClient& client) {
    return client.set_folder_watch(auth.Get(), path, watch, hostKey);
  });
}

CallOutcome ClientMailService::ApplyAction(const Credentials& account,
                                           const std::vector<QPTSoapNS::UIDSTR>& messages,
                                           const std::u16string& action,
                                           const std::u16string& arg) {
  CallAuth auth(account);
  return client_.Run([&](QPTSoap::ServiceClient& client) {
    return client.apply_action(auth.Get(), messages.empty() ? nullptr : messages.data(),
                               static_cast<int32_t>(messages.size()), action, arg);
  });
}

CallOutcome ClientMailService::GetVersion(const std::u16string& clientName, int32_t& version) {
  return client_.Run([&](QPTSoap::ServiceClient& client) {
    return client.get_version(clientName, &version);
  });
}

}  // namespace qptn
