// Fakes of every port of the mail check, writing into one call log, for the check's tests.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "notifier/check/mail_check.h"
#include "tests/support/fake_tray.h"

namespace qptn::testing {

// A message as the service would send it.
inline QPTSoapNS::Message Mail(const char* uid, int32_t date, const char* subject = "s") {
  QPTSoapNS::Message m;
  m.uidstr.path = u"INBOX";
  m.uidstr.uid = std::u16string(uid, uid + std::char_traits<char>::length(uid));
  m.date = date;
  m.subject = std::string(subject);
  m.from_display = std::string("Ann");
  m.body = std::string("text");
  return m;
}

// One get_new_messages answer, or a failure (code below 0, optional fault).
struct Answer {
  int32_t code = 0;
  NewMail mail;
  QPTSoap::SoapFault fault;
};

inline Answer Ok(int32_t newHeader, int32_t totalUnread, int32_t newUnread,
                 std::vector<QPTSoapNS::Message> messages = {}) {
  Answer a;
  a.mail.newHeaderNum = newHeader;
  a.mail.totalUnread = totalUnread;
  a.mail.newUnread = newUnread;
  a.mail.count = static_cast<int32_t>(messages.size());
  if (!messages.empty()) a.mail.messages = std::move(messages);
  return a;
}

inline Answer Failure(std::u16string clientFault = u"") {
  Answer a;
  a.code = static_cast<int32_t>(0x80004005u);
  if (!clientFault.empty()) {
    a.fault.code = QPTSoap::kFaultClient;
    a.fault.faultstring = std::move(clientFault);
  }
  return a;
}

class FakeService : public MailService {
 public:
  explicit FakeService(CallLog& log) : log_(log) {}

  // Answers to get_new_messages for one address, used one per call.
  void Queue(const std::u16string& address, Answer answer) {
    answers_[address].push_back(std::move(answer));
  }

  CallOutcome GetNewMessages(const Credentials& account, int32_t headerNum,
                             const std::u16string& hostKey, int32_t max, NewMail& out) override {
    log_.calls.push_back("get_new_messages " + Narrow(account.address) + " " +
                         std::to_string(headerNum) + " " + Narrow(hostKey) + " " +
                         std::to_string(max));
    auto& queue = answers_[account.address];
    if (queue.empty()) return Outcome(Failure());
    Answer a = std::move(queue.front());
    queue.pop_front();
    if (a.code >= 0) out = std::move(a.mail);
    return Outcome(a);
  }
  CallOutcome GetWatchFolders(const Credentials& account, const std::u16string&,
                              int32_t& folders) override {
    log_.calls.push_back("get_watch_folders " + Narrow(account.address));
    folders = watchedFolders;
    return Result(watchFoldersCode);
  }
  CallOutcome SetFolderWatch(const Credentials& account, const std::u16string& path, int32_t watch,
                             const std::u16string&) override {
    log_.calls.push_back("set_folder_watch " + Narrow(account.address) + " " + Narrow(path) + " " +
                         std::to_string(watch));
    return Result(setWatchCode);
  }
  CallOutcome ApplyAction(const Credentials& account,
                          const std::vector<QPTSoapNS::UIDSTR>& messages,
                          const std::u16string& action, const std::u16string& arg) override {
    std::string line = "apply_action " + Narrow(account.address) + " " + Narrow(action) + " [" +
                       Narrow(arg) + "]";
    for (const auto& m : messages) line += " " + Narrow(m.uid.value_or(u"-"));
    log_.calls.push_back(line);
    return Result(0);
  }
  CallOutcome GetVersion(const std::u16string& client, int32_t& version) override {
    log_.calls.push_back("get_version " + Narrow(client));
    version = currentVersion;
    return Result(versionCode);
  }

  int32_t watchedFolders = 1;
  int32_t watchFoldersCode = 0;
  int32_t setWatchCode = 0;
  int32_t currentVersion = 4;
  int32_t versionCode = 0;

 private:
  static CallOutcome Outcome(const Answer& a) { return {a.code, a.fault}; }
  static CallOutcome Result(int32_t code) { return {code, {}}; }

  CallLog& log_;
  std::map<std::u16string, std::deque<Answer>> answers_;
};

class FakeAccounts : public CheckAccounts {
 public:
  std::mutex& SettingsLock() override { return lock; }
  unsigned Count() override { return static_cast<unsigned>(accounts.size()); }
  Credentials Account(unsigned slot) override { return {accounts.at(slot).first, accounts.at(slot).second}; }
  std::u16string HostKey() override { return u"KEY"; }
  CheckSettings Settings() override { return settings; }
  // What the settings dialog stored: `next` replaces the accounts.
  void Reload() override {
    if (next) accounts = *std::exchange(next, std::nullopt);
  }

  std::mutex lock;
  std::vector<std::pair<std::u16string, std::u16string>> accounts;
  std::optional<std::vector<std::pair<std::u16string, std::u16string>>> next;
  CheckSettings settings{600000, 5, true, 4000};
};

class FakeCheckTray : public CheckTray {
 public:
  explicit FakeCheckTray(CallLog& log) : log_(log) {}
  void BeginAnimation() override { log_.calls.push_back("animate"); }
  void EndAnimation() override { log_.calls.push_back("rest"); }
  void RefreshTip(unsigned unread, bool newMail) override {
    log_.calls.push_back("tip " + std::to_string(unread) + (newMail ? " new" : ""));
  }
  void ShowError(bool timerCheck, unsigned account, const std::u16string& text,
                 const QPTSoap::SoapFault& fault) override {
    if (timerCheck) return;  // what the tray does with a timer check's error
    const std::u16string shown = fault.code == QPTSoap::kFaultClient ? fault.faultstring : text;
    log_.calls.push_back("error " + std::to_string(account) + " " + Narrow(shown));
  }

 private:
  CallLog& log_;
};

// Shows each message by logging it and, unless `hold` is set, reports the
// end of the showing at once, answering with the next of `replies`.
class FakePopup : public PopupPort {
 public:
  enum Reply { kNext, kDelete, kPrevious };
  explicit FakePopup(CallLog& log) : log_(log) {}

  void ShowMessage(unsigned account, const std::optional<std::u16string>& to,
                   QueuedMessage& message, bool isFirst, bool isLast, bool* deleted,
                   bool* previous) override {
    log_.calls.push_back("popup " + std::to_string(account) + " " +
                         Narrow(message.message.uidstr.uid.value_or(u"-")) + " to=" +
                         (to ? Narrow(*to) : "none") + (isFirst ? " first" : "") +
                         (isLast ? " last" : "") + " [" + Narrow(message.subject) + "]");
    const Reply reply = replies.empty() ? kNext : replies.front();
    if (!replies.empty()) replies.pop_front();
    *deleted = reply == kDelete;
    *previous = reply == kPrevious;
    Finish();
  }
  void ShowSummary(unsigned count) override {
    log_.calls.push_back("summary " + std::to_string(count));
    Finish();
  }
  void SetDisplayTime(unsigned ms) override {
    log_.calls.push_back("display " + std::to_string(ms));
  }

  std::deque<Reply> replies;
  bool hold = false;
  std::function<void()> onShow;  // called as each showing starts
  std::function<void()> finished;  // what the window thread does on the close notice

 private:
  void Finish() {
    if (onShow) onShow();
    if (!hold && finished) finished();
  }
  CallLog& log_;
};

class FakeSound : public SoundPort {
 public:
  explicit FakeSound(CallLog& log) : log_(log) {}
  void PlayMailBeep() override { log_.calls.push_back("MailBeep"); }

 private:
  CallLog& log_;
};

class FakePresence : public PresenceProbe {
 public:
  PresenceReading Read() override { return reading; }
  PresenceReading reading{1000000, 999000, false};
};

class FakeTimers : public TimerPort {
 public:
  explicit FakeTimers(CallLog& log) : log_(log) {}
  void SetTimer(unsigned id, unsigned ms) override {
    log_.calls.push_back("SetTimer " + std::to_string(id) + " " + std::to_string(ms));
  }
  void KillTimer(unsigned id) override { log_.calls.push_back("KillTimer " + std::to_string(id)); }
  void PostTimer(unsigned id, unsigned ms) override {
    log_.calls.push_back("PostTimer " + std::to_string(id) + " " + std::to_string(ms));
  }

 private:
  CallLog& log_;
};

class FakeBusy : public BusyProbe {
 public:
  bool UserBusy() override {
    ++asked;
    return busy;
  }
  bool busy = false;
  int asked = 0;
};

class FakeClock : public WallClock {
 public:
  int64_t NowSeconds() override { return now; }
  int64_t now = 1'700'000'000;
};

// The stored end of a pause, as the registry would keep it across runs.
class FakePauseStore : public PauseStore {
 public:
  int64_t Load() override { return until; }
  void Save(int64_t value) override {
    until = value;
    ++saves;
  }
  int64_t until = 0;
  int saves = 0;
};

// Keeps the body a check starts; the test runs it when it wants, on its own
// thread, so nothing waits for another thread.
class FakeWorker : public CheckWorker {
 public:
  bool Start(std::function<void()> body) override {
    if (refuse) return false;
    pending = std::move(body);
    ++starts;
    return true;
  }
  void Join() override {}
  void Run() {
    auto body = std::exchange(pending, nullptr);
    if (body) body();
  }
  std::function<void()> pending;
  int starts = 0;
  bool refuse = false;
};

class FakeDialog : public SettingsDialogPort {
 public:
  explicit FakeDialog(CallLog& log) : log_(log) {}
  void Run() override { log_.calls.push_back("settings dialog"); }

 private:
  CallLog& log_;
};

class FakeUpdate : public UpdatePort {
 public:
  explicit FakeUpdate(CallLog& log) : log_(log) {}
  bool CheckForUpdate() override {
    log_.calls.push_back("update check");
    return started;
  }
  bool started = false;

 private:
  CallLog& log_;
};

// A check with every port faked and one call log.
struct CheckRig {
  CallLog log;
  FakeService service{log};
  FakeAccounts accounts;
  FakeCheckTray tray{log};
  FakePopup popup{log};
  FakeSound sound{log};
  FakePresence presence;
  FakeTimers timers{log};
  FakeWorker worker;
  FakeDialog dialog{log};
  FakeUpdate update{log};
  FakeBusy busy;
  FakeClock clock;
  FakePauseStore pauses;
  MailCheck check{CheckPorts{service, accounts, tray, popup, sound, presence, timers, worker,
                             dialog, update, busy, clock, pauses}};

  CheckRig() {
    popup.finished = [this] { check.OnPopupFinished(); };
    check.ApplySettings(accounts.settings);
    log.Take();
  }
  void Accounts(std::vector<std::u16string> addresses) {
    accounts.accounts.clear();
    for (auto& a : addresses) accounts.accounts.emplace_back(a, u"pw");
  }
  // A check started as Check Email Now starts it, run to its end.
  Calls RunCheck() {
    check.StartCheck();
    worker.Run();
    return log.Take();
  }
};

}  // namespace qptn::testing
