// Fakes of the popup's ports that write into one call log, for the popup's tests.
#pragma once

#include <functional>
#include <string>

#include "notifier/app/email_command.h"
#include "notifier/popup/fixed_measurer.h"
#include "notifier/popup/popup_ports.h"
#include "notifier/service/soap_records.h"
#include "tests/support/fake_tray.h"

namespace qptn::testing {

inline std::string Show(const Rect& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
         std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

class FakeWindow : public PopupWindowPort {
 public:
  explicit FakeWindow(CallLog& log) : log_(log) {}

  void SetTimer(unsigned id, unsigned ms) override {
    Log("set " + std::to_string(id) + " " + std::to_string(ms));
  }
  void KillTimer(unsigned id) override { Log("kill " + std::to_string(id)); }
  void Show() override { Log("show"); }
  void Hide() override { Log("hide"); }
  void SetAlpha(uint8_t alpha) override { Log("alpha " + std::to_string(alpha)); }
  void Move(const Rect& r) override { Log("move " + testing::Show(r)); }
  Point CursorPosition() override { return cursor; }
  void TrackMouseLeave() override { Log("track"); }
  void Invalidate(const Rect& r) override { Log("invalidate " + testing::Show(r)); }
  void RepaintNow() override {
    Log("repaint");
    if (onRepaint) onRepaint();
  }
  void NotifyOwnerClosed() override {
    Log("notify");
    if (onNotify) onNotify();
  }
  void OpenLink(std::u16string_view target) override {
    Log("open " + Narrow(std::u16string(target)));
    if (onOpen) onOpen();
  }
  void PrepareFontLinking(std::u16string_view body) override {
    Log("fontlink " + Narrow(std::u16string(body)));
  }
  void RemoveAllTooltips() override { Log("tips clear"); }
  void AddTooltip(int id, const Rect& r, std::u16string_view text) override {
    Log("tip " + std::to_string(id) + " " + Narrow(std::u16string(text)) + " " + testing::Show(r));
  }

  Point cursor{-1, -1};
  bool quiet = false;  // log nothing
  std::function<void()> onRepaint, onNotify, onOpen;

 private:
  void Log(std::string call) {
    if (!quiet) log_.calls.push_back(std::move(call));
  }
  CallLog& log_;
};

// A fixed-advance surface that logs what is drawn.
class RecordingCanvas : public PopupCanvas {
 public:
  explicit RecordingCanvas(CallLog& log) : log_(log) {}

  TextSize Measure(FontRole font, std::u16string_view text) override {
    return metrics.Measure(font, text);
  }
  int LineHeight(FontRole font) override { return metrics.LineHeight(font); }
  void FillBackground(const Rect& r) override { log_.calls.push_back("background " + Show(r)); }
  void FrameBox(const Rect& r) override { log_.calls.push_back("box " + Show(r)); }
  void FrameLine(Point a, Point b) override {
    log_.calls.push_back("line " + Show({a.x, a.y, b.x, b.y}));
  }
  void DrawBitmap(int id, int x, int y) override {
    log_.calls.push_back("bitmap " + std::to_string(id) + " " + std::to_string(x) + "," +
                         std::to_string(y));
  }
  void StretchFirstColumn(int id, int x, int y, int width) override {
    log_.calls.push_back("stretch " + std::to_string(id) + " " + std::to_string(x) + "," +
                         std::to_string(y) + " w" + std::to_string(width));
  }
  void PutText(const Rect& r, std::u16string_view text, const TextStyle& style) override {
    static const char* const kFonts[] = {"body", "normal", "bold", "link", "large"};
    log_.calls.push_back(
        "text " + Narrow(std::u16string(text)) + " " + Show(r) + " " +
        kFonts[static_cast<int>(style.font)] + (style.ink == Ink::kBlue ? " blue" : "") +
        (style.opaque ? " opaque" : "") + (style.centredVertically ? " vcentre" : ""));
  }

  FixedMeasurer metrics;

 private:
  CallLog& log_;
};

class FakeListener : public EmailCommand {
 public:
  explicit FakeListener(CallLog& log) : log_(log) {}
  void launchMail() override { log_.calls.push_back("launchMail"); }
  void openMessage(unsigned a, QPTSoapNS::Message* m) override { Log("openMessage", a, m); }
  void quickView(unsigned a, QPTSoapNS::Message* m) override { Log("quickView", a, m); }
  void reply(unsigned a, QPTSoapNS::Message* m, bool all) override {
    Log(all ? "reply all" : "reply", a, m);
  }
  void forward(unsigned a, QPTSoapNS::Message* m) override { Log("forward", a, m); }
  bool deleteMessage(unsigned a, QPTSoapNS::Message* m) override {
    Log("deleteMessage", a, m);
    return deleteSucceeds;
  }
  void markRead(unsigned a, QPTSoapNS::Message* m) override { Log("markRead", a, m); }
  void markSpam(unsigned a, QPTSoapNS::Message* m) override { Log("markSpam", a, m); }
  void userActivity() override {
    if (logActivity) log_.calls.push_back("activity");
  }

  bool deleteSucceeds = true;
  bool logActivity = false;

 private:
  void Log(const char* what, unsigned account, QPTSoapNS::Message* m) {
    log_.calls.push_back(std::string(what) + " " + std::to_string(account) + " " +
                         (m ? Narrow(m->uidstr.uid.value_or(u"-")) : "null"));
  }
  CallLog& log_;
};

}  // namespace qptn::testing
