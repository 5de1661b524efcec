// The notification-area icon as the application logic sees it.
#pragma once

#include <string>

namespace qptn {

// Icon resource ids of the tray states.
enum IconId : int {
  kIconApplication = 107,
  kIconNoMail = 108,
  kIconUnread = 109,
  kIconNewMail = 157,
  kIconCheckFirst = 136,  // animation frames 136 to 140
  kIconCheckLast = 140,
};

class TrayPort {
 public:
  virtual ~TrayPort() = default;
  virtual void Add(int iconId) = 0;
  virtual void SetIcon(int iconId) = 0;
  virtual void SetTip(const std::u16string& text) = 0;
  virtual void Balloon(const std::u16string& text, bool error) = 0;
  virtual void Remove() = 0;
};

}  // namespace qptn
