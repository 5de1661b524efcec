#include "notifier/tray/tray_status.h"

#include "common/text.h"
#include "notifier/app/constants.h"

namespace qptn {
namespace {

// The tooltip names at most this many characters of the count's text.
constexpr size_t kCountTipLimit = 31;

}  // namespace

void TrayStatus::Add() {
  tray_.Add(kIconNoMail);
  currentIcon_ = kIconNoMail;
}

void TrayStatus::Greet() { tray_.Balloon(kNotifierName, false); }

void TrayStatus::Refresh(unsigned unreadTotal, bool newMail, bool animating) {
  if (unreadTotal > 0) {
    std::u16string tip;
    if (newMail) {
      tip = u"You have mail!";
    } else {
      tip = qp::Truncated(qp::WidenAscii(std::to_string(unreadTotal)) + u" unread message" +
                              (unreadTotal > 1 ? u"s" : u"") + u".",
                          kCountTipLimit);
    }
    tray_.SetTip(tip);
    currentIcon_ = newMail ? kIconNewMail : kIconUnread;
    if (!animating) tray_.SetIcon(currentIcon_);
  } else {
    currentIcon_ = kIconNoMail;
    if (!animating) tray_.SetIcon(kIconNoMail);
    tray_.SetTip(u"No unread messages.");
  }
}

void TrayStatus::ShowError(bool timerCheck, const QPTSoap::SoapFault& lastFault,
                           const std::vector<std::u16string>& addresses, unsigned account,
                           const char16_t* text) {
  if (timerCheck) return;
  std::u16string shown;
  if (lastFault.code == QPTSoap::kFaultClient && !lastFault.faultstring.empty()) {
    shown = lastFault.faultstring;
  } else if (text != nullptr) {
    shown = text;
  } else {
    return;
  }
  if (addresses.size() > 1 && account < addresses.size()) {
    shown = qp::Truncated(addresses[account] + u"\n" + shown, kBalloonTextLimit);
  }
  tray_.Balloon(shown, true);
}

}  // namespace qptn
