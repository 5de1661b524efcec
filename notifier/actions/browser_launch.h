// Opening web-mail pages in the user's browser: over DDE as the browser
// registered itself for http, so that a page opens in a new browser window
// and the web-mail index, when already shown, is brought to the front
// instead; without a DDE server, by starting the browser's command line.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qptn {

// The http handler's registered values (the per-user classes first, then
// the machine's).
enum class HandlerValue { kDdeApplication, kDdeTopic, kCommand };

// What opening a page needs of the system. One DDE conversation at a time.
class BrowserSystem {
 public:
  virtual ~BrowserSystem() = default;
  virtual std::optional<std::u16string> Handler(HandlerValue which) = 0;
  // A client-only DDE instance, ended by EndDde; false when there is none.
  virtual bool StartDde() = 0;
  virtual void EndDde() = 0;
  // Without `service`, any server offering the topic answers.
  virtual bool Connect(const std::optional<std::u16string>& service, std::u16string_view topic) = 0;
  // The item as plain (ANSI) text, within `timeoutMs`; nothing without an answer.
  virtual std::optional<std::string> Request(std::u16string_view item, unsigned timeoutMs) = 0;
  // Sent without waiting for the server to carry it out.
  virtual void Execute(std::u16string_view command) = 0;
  virtual void Disconnect() = 0;
  // The first top-level window whose title holds `fragment`, restored and
  // brought to the front; false when there is none.
  virtual bool ActivateWindowTitled(std::u16string_view fragment) = 0;
  // Starts the command line; true when a visible window of the new process
  // appeared.
  virtual bool StartProcess(const std::u16string& commandLine) = 0;
};

inline constexpr char16_t kInfoTopic[] = u"WWW_GetWindowInfo";
inline constexpr char16_t kInfoItem[] = u"1,0";
inline constexpr unsigned kInfoTimeoutMs = 1000;
inline constexpr char kMailIndexTitle[] = "Quillpost :: Mail Index";
inline constexpr char16_t kExplorerService[] = u"IExplore";
inline constexpr char16_t kActivateTopic[] = u"WWW_Activate";
inline constexpr char16_t kNewWindowTopic[] = u"WWW_OpenURLNewWindow";
inline constexpr char16_t kWebMailTitle[] = u"Quillpost ::";
// The command buffers, terminator included.
inline constexpr size_t kMailWindowCommandCapacity = 260;
inline constexpr size_t kUrlCommandCapacity = 2048;
inline constexpr size_t kCommandLineCapacity = 1024;

// `address` as it is handed over: its double quotes, backslashes, spaces and
// control characters percent-encoded, so that it cannot end a quoted field or
// argument, escape the quote after it, or add fields and arguments.
std::u16string HandOffAddress(std::u16string_view address);

// The DDE command that opens `address`: the handed-off address in double
// quotes and ",,-1,0,,,,". Nothing when it would not fit `capacity`
// characters with its terminator: a cut address is never sent.
std::optional<std::u16string> DdeOpenCommand(std::u16string_view address, size_t capacity);

// The browser's command line for `address` from its registered template:
// the first "%1" replaced by the handed-off address, else that appended
// after a space. Windows' splitting of the line gives the browser exactly
// one argument for it. Nothing for an address that is not http or https,
// and for a command line longer than the 1023 characters of the buffer.
std::optional<std::u16string> BrowserCommandLine(std::u16string_view commandTemplate,
                                                 std::u16string_view address);

// Opens the web-mail start page; when the browser already shows the
// web-mail index, that window comes to the front instead. True when the
// page is thought to be open. Neither opens an address that is not a web
// address (qp::IsWebAddress; false).
bool OpenMailWindow(BrowserSystem& system, std::u16string_view address);
// Opens a page in a new browser window.
bool OpenUrl(BrowserSystem& system, std::u16string_view address);

}  // namespace qptn
