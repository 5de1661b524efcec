// The service operations the mail check and the update check make, as a port.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "notifier/service/shared_client.h"

namespace qptn {

using QPTSoap::CallOutcome;

// Overwrites a copy of a password with bytes of value 1 before it is released.
inline void WipePassword(std::u16string& password) {
  for (char16_t& c : password) c = u'\x0101';
}

// One account's sign-in, copied for the length of a call; the copy of the
// password is overwritten before it is released.
struct Credentials {
  std::u16string address;
  std::u16string password;
  ~Credentials() { WipePassword(password); }
};

// The auth record of one call. Its copy of the password is overwritten with
// bytes of value 1 before it is released.
class CallAuth {
 public:
  explicit CallAuth(const Credentials& account) {
    auth_.user_id = account.address;
    auth_.password = account.password;
  }
  ~CallAuth() {
    if (auth_.password) WipePassword(*auth_.password);
  }
  CallAuth(const CallAuth&) = delete;
  CallAuth& operator=(const CallAuth&) = delete;
  const QPTSoapNS::auth& Get() const { return auth_; }

 private:
  QPTSoapNS::auth auth_;
};

// What get_new_messages answered.
struct NewMail {
  int32_t newHeaderNum = 0;
  std::optional<std::vector<QPTSoapNS::Message>> messages;
  int32_t count = 0;
  int32_t totalUnread = 0;
  int32_t newUnread = 0;
};

// Each operation is one call; the implementation keeps calls from
// overlapping with any other call of the notifier.
class MailService {
 public:
  virtual ~MailService() = default;
  virtual CallOutcome GetNewMessages(const Credentials& account, int32_t headerNum,
                                     const std::u16string& hostKey, int32_t max,
                                     NewMail& answer) = 0;
  // `folders` is the number of watched folders returned.
  virtual CallOutcome GetWatchFolders(const Credentials& account, const std::u16string& hostKey,
                                      int32_t& folders) = 0;
  virtual CallOutcome SetFolderWatch(const Credentials& account, const std::u16string& path,
                                     int32_t watch, const std::u16string& hostKey) = 0;
  virtual CallOutcome ApplyAction(const Credentials& account,
                                  const std::vector<QPTSoapNS::UIDSTR>& messages,
                                  const std::u16string& action, const std::u16string& arg) = 0;
  virtual CallOutcome GetVersion(const std::u16string& client, int32_t& version) = 0;
};

// The port over the notifier's shared client.
class ClientMailService final : public MailService {
 public:
  explicit ClientMailService(QPTSoap::SharedClient& client) : client_(client) {}

  CallOutcome GetNewMessages(const Credentials& account, int32_t headerNum,
                             const std::u16string& hostKey, int32_t max, NewMail& answer) override;
  CallOutcome GetWatchFolders(const Credentials& account, const std::u16string& hostKey,
                              int32_t& folders) override;
  CallOutcome SetFolderWatch(const Credentials& account, const std::u16string& path,
                             int32_t watch, const std::u16string& hostKey) override;
  CallOutcome ApplyAction(const Credentials& account,
                          const std::vector<QPTSoapNS::UIDSTR>& messages,
                          const std::u16string& action, const std::u16string& arg) override;
  CallOutcome GetVersion(const std::u16string& client, int32_t& version) override;

 private:
  QPTSoap::SharedClient& client_;
};

}  // namespace qptn
