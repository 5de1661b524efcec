// Drives every member of the registered control's scripting interface
// through IDispatch with seeded random calls, as a hostile or careless page
// could: names looked up with GetIDsOfNames, unknown DISPIDs, random
// invocation flags, too few and too many arguments, named arguments, and
// arguments of every kind a VARIANT carries (numbers, NULL and empty
// strings, strings with NULs and of 100,000 characters and more, arrays,
// objects of its own, references).
//
//   dispatch_driver SEED CALLS PAGE UPLOADHOST [USER SID]
//
// The control is embedded with a client site whose container moniker names
// PAGE (an allowed page, so that members are not refused merely for the
// caller); now and then one call is made from a page that is not allowed,
// where every member but Version and ProtectedMode must refuse. UPLOADHOST
// is an upload host the members may use (the stand-in host), USER and SID
// a session there. Now and then the clipboard is filled as another program
// fills it before a call.
//
// A thread of its own answers the dialogs the members open in this process:
// the folder browser and every other dialog are cancelled, the themed
// message boxes and progress dialogs dismissed with Escape.
//
// After every call: the process lives on; a failure is a failing HRESULT
// that the interface may give (DISP_E_*, E_ACCESSDENIED, E_INVALIDARG...),
// or DISP_E_EXCEPTION with a filled EXCEPINFO; a success carries the result
// the member gives; the driver's own objects passed in are all released
// again. The handles, the bytes in use on the heaps, the committed private
// memory and the GUI objects of the process are sampled at a tenth of the
// calls and at the end (after a warm-up of every path that initialises
// something, and both times with the download list and the clipboard
// emptied), and may grow by a small allowance only.
//
// Prints "finding: ..." lines (with the seed and call number that repeat
// the call) and one summary line; exit code 0 when all held, 1 on a
// finding, 2 on growth, 3 when a call never returned, 4 on a crash, 5 when
// the control could not be created, 64 on a bad command line.
#include <windows.h>
#include <ole2.h>
#include <dispex.h>
#include <psapi.h>
#include <shlobj.h>
#include <urlmon.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

// Growth allowed between the two samples. Handles and GUI objects: the
// system's caches (fonts, the shell's image lists, registry keys that
// oleaut32 and urlmon keep open) may grow by a few after the first sample;
// a leak per call shows as hundreds or thousands. Memory in use on the
// heaps: with the system's string cache off (OANOCACHE, which the scenario
// sets), the system's caches (fonts, the shell's) and the driver's counters
// take up to a MiB or so; a leak of 50 bytes per call over 90,000 calls
// exceeds 4 MiB.
// Committed private memory also holds what the heaps keep free: after
// strings of up to a megabyte (and the copies the dispatch and the member
// make) a heap grows in steps of megabytes and keeps them (up to 9 MiB seen
// over 90,000 calls), so it may grow by 24 MiB; leaks outside the heaps
// (VirtualAlloc, mapped views) show there.
constexpr long kHandleAllowance = 16;
constexpr long kGuiAllowance = 16;
constexpr long long kHeapAllowance = 4ll << 20;
constexpr long long kMemoryAllowance = 24ll << 20;

// A call that runs longer than this never returns: the dialog thread
// answers any dialog within a fraction of a second.
constexpr ULONGLONG kCallLimitMs = 120000;

constexpr int kMaxFindingsPrinted = 25;

struct Member {
  const wchar_t* name;
  DISPID id;
  int arguments;
  bool guarded;  // refuses a page that is not allowed
  std::vector<const wchar_t*> parameters;
};

const std::vector<Member>& Members() {
  static const std::vector<Member> members = {
      {L"Version", 1, 0, false, {}},
      {L"ProtectedMode", 2, 0, false, {}},
      {L"StartMultipleDownload", 3, 0, true, {}},
      {L"AddDownload", 4, 3, true, {L"url", L"name", L"size"}},
      {L"EndMultipleDownload", 5, 1, true, {L"theme"}},
      {L"PrepareClipboard", 6, 7, true,
       {L"host", L"user", L"theme", L"sid", L"keys", L"names", L"sizes"}},
      {L"BeforePaste", 7, 0, true, {}},
      {L"AfterPaste", 8, 0, true, {}},
      {L"Unregister", 9, 0, true, {}},
      {L"UnregisterOld", 10, 0, true, {}},
  };
  return members;
}

constexpr long kInterfaceVersion = 7;

// ---------------------------------------------------------------------------
// The state a crash report and the watchdog read.

unsigned long long g_seed = 0;
std::atomic<long long> g_call{-1};
std::atomic<ULONGLONG> g_callStarted{0};
std::atomic<long> g_firstChanceFaults{0};
wchar_t g_description[512] = L"(none)";
char g_clipboardFill[96] = "nothing";  // what the driver last put on the clipboard

void Describe(const std::wstring& text) {
  wcsncpy(g_description, text.c_str(), 511);
  g_description[511] = 0;
}

LONG CALLBACK CountFaults(EXCEPTION_POINTERS* info) {
  const DWORD code = info->ExceptionRecord->ExceptionCode;
  if (code == EXCEPTION_ACCESS_VIOLATION || code == EXCEPTION_ILLEGAL_INSTRUCTION ||
      code == EXCEPTION_INT_DIVIDE_BY_ZERO || code == EXCEPTION_STACK_OVERFLOW ||
      code == 0xC0000374 /* heap corruption */) {
    ++g_firstChanceFaults;
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

LONG WINAPI ReportCrash(EXCEPTION_POINTERS* info) {
  // Where: the module and the offset in it.
  HMODULE module = nullptr;
  wchar_t name[MAX_PATH] = L"?";
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                         GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     static_cast<LPCWSTR>(info->ExceptionRecord->ExceptionAddress), &module);
  if (module) GetModuleFileNameW(module, name, MAX_PATH);
  std::printf("crash in %ls at offset 0x%llx (access %s address %p)\n", name,
              static_cast<unsigned long long>(
                  static_cast<const char*>(info->ExceptionRecord->ExceptionAddress) -
                  reinterpret_cast<const char*>(module)),
              info->ExceptionRecord->NumberParameters >= 2
                  ? (info->ExceptionRecord->ExceptionInformation[0] ? "writing" : "reading")
                  : "?",
              info->ExceptionRecord->NumberParameters >= 2
                  ? reinterpret_cast<void*>(info->ExceptionRecord->ExceptionInformation[1])
                  : nullptr);
  std::printf("the driver's last clipboard content: %s\n", g_clipboardFill);
  std::printf("finding: crash %08lx at %p in call %lld of seed %llu: %ls\n"
              "reproduce: dispatch_driver %llu %lld PAGE UPLOADHOST USER SID\n",
              static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode),
              info->ExceptionRecord->ExceptionAddress, g_call.load(), g_seed, g_description,
              g_seed, g_call.load() + 1);
  std::fflush(stdout);
  TerminateProcess(GetCurrentProcess(), 4);
  return EXCEPTION_EXECUTE_HANDLER;
}

// ---------------------------------------------------------------------------
// Random numbers: each call draws from a generator of its own, seeded from
// the run's seed and the call's number.

uint64_t SplitMix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

class Random {
 public:
  explicit Random(uint64_t seed) : engine_(seed) {}
  uint32_t Below(uint32_t n) { return n == 0 ? 0 : static_cast<uint32_t>(engine_() % n); }
  bool Chance(uint32_t percent) { return Below(100) < percent; }
  uint64_t Bits() { return engine_(); }
  double Real() { return std::uniform_real_distribution<double>(-1e6, 1e6)(engine_); }

 private:
  std::mt19937_64 engine_;
};

// ---------------------------------------------------------------------------
// The driver's own objects passed as arguments: every one counted, so that a
// reference the control keeps after a call shows.

std::atomic<long> g_liveObjects{0};

class FuzzObject final : public IDispatchEx {
 public:
  // mode 0: no default value; 1: a text; 2: a number. `unknownOnly`: no
  // IDispatch. As IDispatchEx it takes elements as a script's array does.
  FuzzObject(int mode, bool unknownOnly) : mode_(mode), unknownOnly_(unknownOnly) {
    ++g_liveObjects;
  }
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown ||
        (!unknownOnly_ && (iid == IID_IDispatch || iid == __uuidof(IDispatchEx)))) {
      *out = static_cast<IDispatchEx*>(this);
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --refs_;
    if (left == 0) {
      --g_liveObjects;
      delete this;
    }
    return left;
  }
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) override {
    for (UINT i = 0; ids && i < count; ++i) ids[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID locale, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* exception, UINT*) override {
    return InvokeEx(id, locale, flags, params, result, exception, nullptr);
  }
  // Element names are numbers; each one gets the DISPID 1000 + its number.
  STDMETHODIMP GetDispID(BSTR name, DWORD, DISPID* id) override {
    if (!id) return E_POINTER;
    *id = DISPID_UNKNOWN;
    if (!name || !*name) return DISP_E_UNKNOWNNAME;
    wchar_t* end = nullptr;
    const unsigned long n = wcstoul(name, &end, 10);
    if (*end || n > 100000) return DISP_E_UNKNOWNNAME;
    *id = static_cast<DISPID>(1000 + n);
    return S_OK;
  }
  STDMETHODIMP InvokeEx(DISPID id, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO*, IServiceProvider*) override {
    if (id >= 1000 && (flags & DISPATCH_PROPERTYPUT)) {
      if (!params || params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
      ++elements_;
      return S_OK;
    }
    if (id != DISPID_VALUE || !(flags & DISPATCH_PROPERTYGET) || mode_ == 0) {
      return DISP_E_MEMBERNOTFOUND;
    }
    if (!result) return E_POINTER;
    VariantInit(result);
    if (mode_ == 1) {
      V_VT(result) = VT_BSTR;
      V_BSTR(result) = SysAllocString(L"http://127.0.0.1/value.txt");
    } else {
      V_VT(result) = VT_I4;
      V_I4(result) = 1234;
    }
    return S_OK;
  }
  STDMETHODIMP DeleteMemberByName(BSTR, DWORD) override { return S_FALSE; }
  STDMETHODIMP DeleteMemberByDispID(DISPID) override { return S_FALSE; }
  STDMETHODIMP GetMemberProperties(DISPID, DWORD, DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP GetMemberName(DISPID, BSTR* name) override {
    if (name) *name = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetNextDispID(DWORD, DISPID, DISPID* next) override {
    if (next) *next = DISPID_UNKNOWN;
    return S_FALSE;
  }
  STDMETHODIMP GetNameSpaceParent(IUnknown** parent) override {
    if (parent) *parent = nullptr;
    return E_NOTIMPL;
  }
  long elements() const { return elements_; }

 private:
  std::atomic<ULONG> refs_{1};
  int mode_;
  bool unknownOnly_;
  long elements_ = 0;
};

// ---------------------------------------------------------------------------
// The page: a client site whose container moniker names the page that calls
// now (as a browser's document does).

class PageSite final : public IOleClientSite {
 public:
  explicit PageSite(std::wstring page) : allowed_(std::move(page)) {}
  void Refuse(bool refused) { refused_ = refused; }
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IOleClientSite) return E_NOINTERFACE;
    *out = this;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override { return --refs_; }  // lives in wmain
  ULONG References() const { return refs_; }
  STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
    if (!moniker) return E_POINTER;
    return CreateURLMonikerEx(nullptr, refused_ ? L"http://refused.invalid/read.php" : allowed_.c_str(),
                              moniker, URL_MK_UNIFORM);
  }
  STDMETHODIMP GetContainer(IOleContainer** container) override {
    if (container) *container = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

 private:
  std::wstring allowed_;
  bool refused_ = false;
  std::atomic<ULONG> refs_{1};
};

// ---------------------------------------------------------------------------
// The dialog thread: answers every dialog of this process, and ends the
// process when one call never returns.

struct DialogCounts {
  std::atomic<long> folders{0};
  std::atomic<long> themed{0};
  std::atomic<long> others{0};
  std::mutex mutex;
  std::set<std::wstring> otherTitles;  // the first few
};

BOOL CALLBACK HasTree(HWND child, LPARAM found) {
  wchar_t cls[64] = {};
  GetClassNameW(child, cls, 64);
  if (wcscmp(cls, L"SysTreeView32") != 0) return TRUE;
  *reinterpret_cast<bool*>(found) = true;
  return FALSE;
}

// The texts of a dialog's controls, after its title.
BOOL CALLBACK ChildTexts(HWND child, LPARAM data) {
  auto* seen = reinterpret_cast<std::wstring*>(data);
  wchar_t text[120] = {};
  GetWindowTextW(child, text, 120);
  if (text[0]) *seen += std::wstring(L" | ") + text;
  return seen->size() < 300;
}

struct Sighting {
  ULONGLONG seen;      // first seen
  ULONGLONG answered;  // last answered, 0 before
};

struct Answering {
  DWORD pid;
  DialogCounts* counts;
  std::map<HWND, Sighting>* answered;
};

BOOL CALLBACK AnswerWindow(HWND window, LPARAM data) {
  auto* answering = reinterpret_cast<Answering*>(data);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != answering->pid || !IsWindowVisible(window)) return TRUE;
  wchar_t cls[64] = {};
  wchar_t title[64] = {};
  GetClassNameW(window, cls, 64);
  GetWindowTextW(window, title, 64);
  if (wcscmp(cls, L"#32770") != 0) return TRUE;
  // One answer, then another only if it is still there a second later. A
  // dialog without a title may not have been given one yet: it is left
  // half a second first.
  const ULONGLONG now = GetTickCount64();
  auto [at, added] = answering->answered->emplace(window, Sighting{now, 0});
  if (title[0] == 0 && now - at->second.seen < 500) return TRUE;
  if (at->second.answered != 0 && now - at->second.answered < 1000) return TRUE;
  const bool first = at->second.answered == 0;
  at->second.answered = now;
  bool tree = false;
  EnumChildWindows(window, HasTree, reinterpret_cast<LPARAM>(&tree));
  if (tree) {
    if (first) ++answering->counts->folders;
    PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
  } else if (wcscmp(title, L"Quillpost") == 0) {
    // The control's themed dialogs close on Escape.
    if (first) ++answering->counts->themed;
    PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 1);
    PostMessageW(window, WM_KEYUP, VK_ESCAPE, 0xC0000001);
  } else {
    if (first) {
      ++answering->counts->others;
      std::wstring seen = title;
      EnumChildWindows(window, ChildTexts, reinterpret_cast<LPARAM>(&seen));
      std::lock_guard<std::mutex> lock(answering->counts->mutex);
      if (answering->counts->otherTitles.size() < 8) answering->counts->otherTitles.insert(seen);
    }
    PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
  }
  return TRUE;
}

void AnswerDialogs(const std::atomic<bool>& stop, DialogCounts& counts) {
  std::map<HWND, Sighting> answered;
  Answering answering{GetCurrentProcessId(), &counts, &answered};
  while (!stop) {
    EnumWindows(AnswerWindow, reinterpret_cast<LPARAM>(&answering));
    for (auto it = answered.begin(); it != answered.end();) {
      it = IsWindow(it->first) ? std::next(it) : answered.erase(it);
    }
    const ULONGLONG started = g_callStarted;
    if (started != 0 && GetTickCount64() - started > kCallLimitMs) {
      std::printf("finding: call %lld of seed %llu has not returned after %llu s: %ls\n"
                  "reproduce: dispatch_driver %llu %lld PAGE UPLOADHOST USER SID\n",
                  g_call.load(), g_seed, static_cast<unsigned long long>(kCallLimitMs / 1000),
                  g_description, g_seed, g_call.load() + 1);
      std::fflush(stdout);
      TerminateProcess(GetCurrentProcess(), 3);
    }
    Sleep(15);
  }
}

// ---------------------------------------------------------------------------
// HRESULTs by name.

std::string HresultName(HRESULT hr) {
  static const std::map<HRESULT, const char*> names = {
      {S_OK, "S_OK"},
      {S_FALSE, "S_FALSE"},
      {E_ACCESSDENIED, "E_ACCESSDENIED"},
      {E_INVALIDARG, "E_INVALIDARG"},
      {E_FAIL, "E_FAIL"},
      {E_POINTER, "E_POINTER"},
      {E_NOTIMPL, "E_NOTIMPL"},
      {E_OUTOFMEMORY, "E_OUTOFMEMORY"},
      {E_UNEXPECTED, "E_UNEXPECTED"},
      {E_NOINTERFACE, "E_NOINTERFACE"},
      {DISP_E_UNKNOWNINTERFACE, "DISP_E_UNKNOWNINTERFACE"},
      {DISP_E_MEMBERNOTFOUND, "DISP_E_MEMBERNOTFOUND"},
      {DISP_E_PARAMNOTFOUND, "DISP_E_PARAMNOTFOUND"},
      {DISP_E_TYPEMISMATCH, "DISP_E_TYPEMISMATCH"},
      {DISP_E_UNKNOWNNAME, "DISP_E_UNKNOWNNAME"},
      {DISP_E_NONAMEDARGS, "DISP_E_NONAMEDARGS"},
      {DISP_E_BADVARTYPE, "DISP_E_BADVARTYPE"},
      {DISP_E_EXCEPTION, "DISP_E_EXCEPTION"},
      {DISP_E_OVERFLOW, "DISP_E_OVERFLOW"},
      {DISP_E_BADINDEX, "DISP_E_BADINDEX"},
      {DISP_E_UNKNOWNLCID, "DISP_E_UNKNOWNLCID"},
      {DISP_E_ARRAYISLOCKED, "DISP_E_ARRAYISLOCKED"},
      {DISP_E_BADPARAMCOUNT, "DISP_E_BADPARAMCOUNT"},
      {DISP_E_PARAMNOTOPTIONAL, "DISP_E_PARAMNOTOPTIONAL"},
      {DISP_E_BADCALLEE, "DISP_E_BADCALLEE"},
      {DISP_E_NOTACOLLECTION, "DISP_E_NOTACOLLECTION"},
      {DISP_E_DIVBYZERO, "DISP_E_DIVBYZERO"},
      {TYPE_E_TYPEMISMATCH, "TYPE_E_TYPEMISMATCH"},
  };
  const auto found = names.find(hr);
  if (found != names.end()) return found->second;
  char text[16];
  std::snprintf(text, sizeof(text), "0x%08lx", static_cast<unsigned long>(hr));
  return text;
}

// A failure the interface may give: the dispatch facility's and the
// common ones. Anything else (a Win32 error, a stray value) is a finding.
bool CleanFailure(HRESULT hr) {
  if (!FAILED(hr)) return false;
  if (HRESULT_FACILITY(hr) == FACILITY_DISPATCH) return true;
  switch (hr) {
    case E_ACCESSDENIED: case E_INVALIDARG: case E_FAIL: case E_POINTER: case E_NOTIMPL:
    case E_OUTOFMEMORY: case E_UNEXPECTED: case E_NOINTERFACE:
      return true;
    default:
      return false;
  }
}

// ---------------------------------------------------------------------------
// Arguments: everything one call allocated, freed after it.

struct Referent {
  VARTYPE type = VT_EMPTY;
  VARIANT variant;
  BSTR text = nullptr;
  IDispatch* object = nullptr;
  SAFEARRAY* array = nullptr;
  LONG number = 0;
  double real = 0;
  VARIANT_BOOL flag = VARIANT_FALSE;
  Referent() { VariantInit(&variant); }
  ~Referent() {
    VariantClear(&variant);
    SysFreeString(text);
    if (object) object->Release();
    if (array) SafeArrayDestroy(array);
  }
  Referent(const Referent&) = delete;
  Referent& operator=(const Referent&) = delete;
};

class Arguments {
 public:
  Arguments(Random& random, const std::wstring& uploadHost, const std::wstring& pageOrigin)
      : random_(random), uploadHost_(uploadHost), pageOrigin_(pageOrigin) {}
  ~Arguments() {
    for (auto& v : values_) VariantClear(&v);
  }
  Arguments(const Arguments&) = delete;
  Arguments& operator=(const Arguments&) = delete;

  // `count` random arguments; with `wellFormed`, those the member declares
  // are of the kinds a page passes (texts, and objects for the arrays),
  // given last first as IDispatch wants.
  void Fill(size_t count, int declared, bool wellFormed, bool arrays) {
    values_.resize(count);
    for (size_t i = 0; i < count; ++i) {
      VARIANT* v = &values_[i];
      VariantInit(v);
      const size_t position = count - 1 - i;
      if (!wellFormed || position >= static_cast<size_t>(declared)) {
        Value(v, true);
      } else if (arrays && position >= 4) {
        V_VT(v) = VT_DISPATCH;
        V_DISPATCH(v) = Object(false);
        note(L"array-object");
      } else {
        V_VT(v) = VT_BSTR;
        V_BSTR(v) = wellFormedTexts_.empty() ? Text() : WellFormed(position);
      }
    }
  }
  void PreferTexts(std::vector<std::wstring> texts) { wellFormedTexts_ = std::move(texts); }
  VARIANT* Data() { return values_.empty() ? nullptr : values_.data(); }
  size_t Count() const { return values_.size(); }
  const std::wstring& Kinds() const { return kinds_; }

  // Copies of the by-value arguments, to see that the callee left them alone.
  std::vector<VARIANT> Snapshot() const { return values_; }

 private:
  BSTR Text() {
    const uint32_t pick = random_.Below(100);
    std::wstring text;
    if (pick < 6) {
      note(L"null-bstr");
      return nullptr;
    }
    if (pick < 12) {
      text = L"";
    } else if (pick < 16) {
      text = std::wstring(1, static_cast<wchar_t>(random_.Below(0x10000)));
    } else if (pick < 19 && !inArray_) {
      // Very long: 100,000 characters and more, now and then with NULs.
      const size_t length = 100000 + random_.Below(400000);
      text.assign(length, static_cast<wchar_t>(L'a' + random_.Below(26)));
      if (random_.Chance(50)) text[random_.Below(static_cast<uint32_t>(length))] = 0;
      if (random_.Chance(30)) text = uploadHost_ + L"/download.php?id=" + text;
    } else if (pick < 45) {
      static const wchar_t* const kWords[] = {
          L"blue", L"pink", L"green", L"steel", L"3 GB", L"1.5 MB", L"100 bytes", L"-5", L"nan",
          L"1e308 K", L"0", L"report.pdf", L"..\\..\\evil.txt", L"CON", L"a.txt:hidden",
          L"\\\\?\\C:\\x", L"download.php?id=1", L"/download.php?id=2", L"../up", L"?q", L"#f",
          L"mailto:a@b", L"javascript:alert(1)", L"file:///C:/windows/win.ini", L"ftp://x/y",
          L"http://", L"http://[::1]:1/", L"http://refused.invalid/x.bin", L"ann@quillpost.com",
          L"quillpost.com.invalid", L"quillpost.invalid", L"sid-0123456789", L" ", L"\t\r\n"};
      text = kWords[random_.Below(sizeof(kWords) / sizeof(kWords[0]))];
    } else if (pick < 60) {
      text = uploadHost_;
      if (random_.Chance(50)) text = L"http://" + text + L"/download.php?id=" +
                                     std::to_wstring(random_.Below(5));
    } else if (pick < 66) {
      text = pageOrigin_ + L"/download.php?id=" + std::to_wstring(random_.Below(5));
    } else {
      // Random code units: NULs, unpaired surrogates, controls, ASCII.
      const size_t length = random_.Below(random_.Chance(20) ? 4000 : 40);
      for (size_t i = 0; i < length; ++i) {
        const uint32_t kind = random_.Below(10);
        if (kind == 0) {
          text.push_back(0);
        } else if (kind == 1) {
          text.push_back(static_cast<wchar_t>(0xD800 + random_.Below(0x800)));
        } else if (kind == 2) {
          text.push_back(static_cast<wchar_t>(random_.Below(0x10000)));
        } else {
          text.push_back(static_cast<wchar_t>(0x20 + random_.Below(0x5F)));
        }
      }
    }
    note(L"bstr" + std::to_wstring(text.size()));
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  }

  // A text from the member's own list for its argument at `position`, now and then any text.
  BSTR WellFormed(size_t position) {
    if (position >= wellFormedTexts_.size() || random_.Chance(20)) return Text();
    const std::wstring& text = wellFormedTexts_[position];
    note(L"text" + std::to_wstring(text.size()));
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  }

  IDispatch* Object(bool unknownOnly) {
    return new FuzzObject(static_cast<int>(random_.Below(3)), unknownOnly);
  }

  SAFEARRAY* Array() {
    const uint32_t kind = random_.Below(4);
    const VARTYPE element = kind == 0 ? VT_BSTR : kind == 1 ? VT_VARIANT : kind == 2 ? VT_I4 : VT_UI1;
    const ULONG count = random_.Below(random_.Chance(10) ? 2000 : 6);
    SAFEARRAY* array = nullptr;
    if (random_.Chance(15)) {
      SAFEARRAYBOUND bounds[2] = {{count, 0}, {2, static_cast<LONG>(random_.Below(3))}};
      array = SafeArrayCreate(element, 2, bounds);
      note(L"array2d");
      return array;  // elements left empty
    }
    array = SafeArrayCreateVector(element, static_cast<LONG>(random_.Below(3)), count);
    if (!array) return nullptr;
    LONG lower = 0;
    SafeArrayGetLBound(array, 1, &lower);
    // Elements stay short: 2,000 strings of 100,000 characters would only
    // cost time.
    inArray_ = true;
    for (ULONG i = 0; i < count && i < 50; ++i) {
      LONG at = lower + static_cast<LONG>(i);
      if (element == VT_BSTR) {
        BSTR text = Text();
        SafeArrayPutElement(array, &at, text);
        SysFreeString(text);
      } else if (element == VT_VARIANT) {
        VARIANT v;
        VariantInit(&v);
        Scalar(&v);
        SafeArrayPutElement(array, &at, &v);
        VariantClear(&v);
      } else if (element == VT_I4) {
        LONG n = static_cast<LONG>(random_.Bits());
        SafeArrayPutElement(array, &at, &n);
      } else {
        BYTE b = static_cast<BYTE>(random_.Bits());
        SafeArrayPutElement(array, &at, &b);
      }
    }
    inArray_ = false;
    note(L"array");
    return array;
  }

  // A value of no reference kind.
  void Scalar(VARIANT* v) {
    switch (random_.Below(22)) {
      case 0: note(L"empty"); return;
      case 1: V_VT(v) = VT_NULL; note(L"null"); return;
      case 2: V_VT(v) = VT_I2; V_I2(v) = static_cast<SHORT>(random_.Bits()); note(L"i2"); return;
      case 3: V_VT(v) = VT_I4; V_I4(v) = static_cast<LONG>(random_.Bits()); note(L"i4"); return;
      case 4: V_VT(v) = VT_R8; V_R8(v) = random_.Real(); note(L"r8"); return;
      case 5: V_VT(v) = VT_R4; V_R4(v) = static_cast<float>(random_.Real()); note(L"r4"); return;
      case 6:
        V_VT(v) = VT_BOOL;
        V_BOOL(v) = random_.Chance(50) ? VARIANT_TRUE : VARIANT_FALSE;
        note(L"bool");
        return;
      case 7: V_VT(v) = VT_I8; V_I8(v) = static_cast<LONGLONG>(random_.Bits()); note(L"i8"); return;
      case 8: V_VT(v) = VT_UI1; V_UI1(v) = static_cast<BYTE>(random_.Bits()); note(L"ui1"); return;
      case 9: V_VT(v) = VT_UI4; V_UI4(v) = static_cast<ULONG>(random_.Bits()); note(L"ui4"); return;
      case 10: V_VT(v) = VT_DATE; V_DATE(v) = random_.Real(); note(L"date"); return;
      case 11: V_VT(v) = VT_CY; V_CY(v).int64 = static_cast<LONGLONG>(random_.Bits()); note(L"cy"); return;
      case 12:
        V_VT(v) = VT_ERROR;
        V_ERROR(v) = random_.Chance(50) ? DISP_E_PARAMNOTFOUND : static_cast<SCODE>(random_.Bits());
        note(L"error");
        return;
      case 13: V_VT(v) = VT_INT; V_INT(v) = static_cast<INT>(random_.Bits()); note(L"int"); return;
      case 14: {
        V_VT(v) = VT_R8;
        static const double kOdd[] = {0.0, -0.0, 1e308, -1e308, 4294967296.0, 2147483648.0};
        V_R8(v) = kOdd[random_.Below(6)];
        note(L"r8odd");
        return;
      }
      default:
        V_VT(v) = VT_BSTR;
        V_BSTR(v) = Text();
        return;
    }
  }

  // Any value: a scalar, a string, an object, an array, or (`byRef`) a reference.
  void Value(VARIANT* v, bool byRef) {
    const uint32_t pick = random_.Below(100);
    if (pick < 50) {
      Scalar(v);
    } else if (pick < 62) {
      V_VT(v) = VT_BSTR;
      V_BSTR(v) = Text();
    } else if (pick < 68) {
      V_VT(v) = VT_DISPATCH;
      V_DISPATCH(v) = random_.Chance(25) ? nullptr : Object(false);
      note(V_DISPATCH(v) ? L"dispatch" : L"null-dispatch");
    } else if (pick < 72) {
      V_VT(v) = VT_UNKNOWN;
      V_UNKNOWN(v) = random_.Chance(25) ? nullptr : Object(random_.Chance(50));
      note(V_UNKNOWN(v) ? L"unknown" : L"null-unknown");
    } else if (pick < 80) {
      SAFEARRAY* array = Array();
      if (!array) return;
      VARTYPE element = VT_EMPTY;
      SafeArrayGetVartype(array, &element);
      V_VT(v) = static_cast<VARTYPE>(VT_ARRAY | element);
      V_ARRAY(v) = array;
    } else if (byRef) {
      Reference(v);
    } else {
      Scalar(v);
    }
  }

  void Reference(VARIANT* v) {
    referents_.push_back(std::make_unique<Referent>());
    Referent& r = *referents_.back();
    switch (random_.Below(7)) {
      case 0:
        Value(&r.variant, false);
        V_VT(v) = VT_BYREF | VT_VARIANT;
        V_VARIANTREF(v) = &r.variant;
        note(L"(byref-variant)");
        return;
      case 1:
        r.text = Text();
        V_VT(v) = VT_BYREF | VT_BSTR;
        V_BSTRREF(v) = &r.text;
        note(L"(byref-bstr)");
        return;
      case 2:
        r.number = static_cast<LONG>(random_.Bits());
        V_VT(v) = VT_BYREF | VT_I4;
        V_I4REF(v) = &r.number;
        note(L"byref-i4");
        return;
      case 3:
        r.real = random_.Real();
        V_VT(v) = VT_BYREF | VT_R8;
        V_R8REF(v) = &r.real;
        note(L"byref-r8");
        return;
      case 4:
        r.flag = random_.Chance(50) ? VARIANT_TRUE : VARIANT_FALSE;
        V_VT(v) = VT_BYREF | VT_BOOL;
        V_BOOLREF(v) = &r.flag;
        note(L"byref-bool");
        return;
      case 5:
        r.object = random_.Chance(25) ? nullptr : Object(false);
        V_VT(v) = VT_BYREF | VT_DISPATCH;
        V_DISPATCHREF(v) = &r.object;
        note(L"byref-dispatch");
        return;
      default: {
        r.array = Array();
        VARTYPE element = VT_I4;
        if (r.array) SafeArrayGetVartype(r.array, &element);
        V_VT(v) = static_cast<VARTYPE>(VT_BYREF | VT_ARRAY | element);
        V_ARRAYREF(v) = &r.array;
        note(L"byref-array");
        return;
      }
    }
  }

  void note(const std::wstring& kind) {
    if (!kinds_.empty()) kinds_ += L",";
    kinds_ += kind;
  }

  Random& random_;
  const std::wstring& uploadHost_;
  const std::wstring& pageOrigin_;
  bool inArray_ = false;
  std::vector<std::wstring> wellFormedTexts_;
  std::vector<VARIANT> values_;
  std::vector<std::unique_ptr<Referent>> referents_;
  std::wstring kinds_;
};

// ---------------------------------------------------------------------------
// The run.

struct Resources {
  DWORD handles = 0;
  unsigned long long heapInUse = 0;
  unsigned long long privateBytes = 0;
  unsigned long long workingSet = 0;
  DWORD gdi = 0;
  DWORD user = 0;
  long windows = 0;
};

// Handles open in this process. Wine answers GetProcessHandleCount with
// 0, so the handle values are tried one by one as well (multiples of 4; a
// new handle takes the lowest free one, so the table ends where 1,024
// values in a row are free) and the larger count is taken.
DWORD HandleCount() {
  DWORD counted = 0;
  GetProcessHandleCount(GetCurrentProcess(), &counted);
  DWORD probed = 0;
  DWORD flags = 0;
  int freeInARow = 0;
  for (uintptr_t value = 4; value < 0x400000 && freeInARow < 1024; value += 4) {
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
      ++probed;
      freeInARow = 0;
    } else {
      ++freeInARow;
    }
  }
  return std::max(counted, probed);
}

// Committed private memory: PrivateUsage, or where the system leaves it 0
// (Wine), the committed private regions of the address space added up.
unsigned long long PrivateBytes(unsigned long long reported) {
  if (reported != 0) return reported;
  unsigned long long total = 0;
  MEMORY_BASIC_INFORMATION region{};
  for (const char* at = nullptr;
       VirtualQuery(at, &region, sizeof(region)) == sizeof(region);
       at = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
    if (region.RegionSize == 0) break;
  }
  return total;
}

// The bytes of the busy blocks of all the process's heaps (the C
// library's and the system's), large ones included.
unsigned long long HeapInUse() {
  std::vector<HANDLE> heaps(GetProcessHeaps(0, nullptr) + 16);
  const DWORD count = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
  unsigned long long total = 0;
  for (DWORD i = 0; i < count && i < heaps.size(); ++i) {
    if (!HeapLock(heaps[i])) continue;
    PROCESS_HEAP_ENTRY entry{};
    while (HeapWalk(heaps[i], &entry)) {
      if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) total += entry.cbData;
    }
    HeapUnlock(heaps[i]);
  }
  return total;
}

BOOL CALLBACK CountWindow(HWND window, LPARAM data) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == GetCurrentProcessId()) {
    ++*reinterpret_cast<long*>(data);
    EnumChildWindows(window, CountWindow, data);
  }
  return TRUE;
}

Resources Sample() {
  Resources r;
  r.handles = HandleCount();
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof(memory);
  if (GetProcessMemoryInfo(GetCurrentProcess(),
                           reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory))) {
    r.privateBytes = memory.PrivateUsage;
    r.workingSet = memory.WorkingSetSize;
  }
  r.privateBytes = PrivateBytes(r.privateBytes);
  r.heapInUse = HeapInUse();
  r.gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  r.user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&r.windows));
  return r;
}

std::string Figures(const Resources& r) {
  char text[240];
  std::snprintf(text, sizeof(text),
                "handles %lu heap-in-use %llu KiB private %llu KiB working-set %llu KiB gdi %lu "
                "user %lu windows %ld",
                static_cast<unsigned long>(r.handles), r.heapInUse / 1024, r.privateBytes / 1024,
                r.workingSet / 1024,
                static_cast<unsigned long>(r.gdi), static_cast<unsigned long>(r.user), r.windows);
  return text;
}

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

std::set<std::wstring> OnlyMembers();

class Driver {
 public:
  Driver(IDispatch* control, PageSite& site, uint64_t seed, std::wstring uploadHost,
         std::wstring pageOrigin, std::wstring user, std::wstring sid)
      : control_(control), site_(site), seed_(seed), uploadHost_(std::move(uploadHost)),
        pageOrigin_(std::move(pageOrigin)), user_(std::move(user)), sid_(std::move(sid)) {}

  void Call(long long index);
  // Empties the download list and the clipboard outside the counted calls,
  // so that the samples compare like with like.
  void Quiesce() {
    EmptyClipboardNow();
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    control_->Invoke(3, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr, nullptr,
                     nullptr);
  }
  void WarmUp();
  long findings() const { return findings_; }
  void Print(long long calls) const;
  void PrintByMember() const;

 private:
  void Finding(long long index, const std::string& what);
  void Plain(DISPID id, const std::vector<std::wstring>& texts, size_t objects = 0);
  std::vector<std::wstring> WellFormedTexts(Random& random, DISPID id) const;
  void FillClipboard(Random& random);
  static void EmptyClipboardNow();

  IDispatch* control_;
  PageSite& site_;
  uint64_t seed_;
  std::wstring uploadHost_;
  std::wstring pageOrigin_;
  std::wstring user_;
  std::wstring sid_;
  std::set<std::wstring> only_ = OnlyMembers();
  std::map<std::string, long> perMember_;
  std::map<std::string, long> perOutcome_;
  std::map<std::string, std::map<std::string, long>> byMember_;
  long extraArgumentsAccepted_ = 0;
  long slowCalls_ = 0;
  ULONGLONG slowest_ = 0;
  long long slowestCall_ = -1;
  std::string slowestWhat_;
  long findings_ = 0;
};

void Driver::Finding(long long index, const std::string& what) {
  ++findings_;
  if (findings_ > kMaxFindingsPrinted) return;
  std::printf("finding: call %lld of seed %llu: %s\n  call: %s\n"
              "  reproduce: dispatch_driver %llu %lld PAGE UPLOADHOST USER SID\n",
              index, static_cast<unsigned long long>(seed_), what.c_str(),
              Narrow(g_description).c_str(), static_cast<unsigned long long>(seed_), index + 1);
  std::fflush(stdout);
}

// QP_DISPATCH_MEMBERS, names separated by commas: the members that the
// calls choose among (the others' turns go to the last of these), to narrow
// a finding down. Unset: all.
std::set<std::wstring> OnlyMembers() {
  wchar_t value[512] = {};
  const DWORD length = GetEnvironmentVariableW(L"QP_DISPATCH_MEMBERS", value, 512);
  std::set<std::wstring> names;
  if (length == 0 || length >= 512) return names;
  std::wstring list(value);
  for (size_t start = 0; start <= list.size();) {
    const size_t comma = std::min(list.find(L',', start), list.size());
    if (comma > start) names.insert(list.substr(start, comma - start));
    start = comma + 1;
  }
  return names;
}

// Texts a page passes to the member `id`, one for each argument. Hosts the
// policy allows are the stand-in host's only: the product's own would be
// looked up and reached over the network.
std::vector<std::wstring> Driver::WellFormedTexts(Random& random, DISPID id) const {
  static const wchar_t* const kThemes[] = {L"blue", L"pink", L"green", L"steel", L"", L"BLUE"};
  const std::wstring theme = kThemes[random.Below(6)];
  const std::wstring n = std::to_wstring(random.Below(4));
  if (id == 4) {
    static const wchar_t* const kNames[] = {L"a.txt", L"report.pdf", L"..\\up.txt", L"CON",
                                            L"x", L"a.txt:s", L"ok.txt. . "};
    static const wchar_t* const kSizes[] = {L"0", L"11 bytes", L"1.5 KB", L"3 GB", L"-1", L"x"};
    const uint32_t form = random.Below(4);
    const std::wstring url = form == 0   ? pageOrigin_ + L"/download.php?id=" + n
                             : form == 1 ? L"download.php?id=" + n
                             : form == 2 ? L"/download.php?id=" + n
                                         : L"http://" + uploadHost_ + L"/missing.bin";
    return {url, kNames[random.Below(7)], kSizes[random.Below(6)]};
  }
  if (id == 5) return {theme};
  if (id == 6) {
    // The stand-in host, or one the policy refuses: nothing leaves the machine.
    const std::wstring host = random.Chance(80) ? uploadHost_ : L"upload.quillpost.invalid";
    return {host, user_, theme, random.Chance(80) ? sid_ : L"0"};
  }
  return {};
}

// Puts something on the clipboard as another program might: text, an
// HTML fragment (with or without a valid header, pictures by local and
// "cid:" addresses), a bitmap, a dropped file, random bytes in the formats
// the control keeps what it replaced in, or nothing.
void Driver::FillClipboard(Random& random) {
  if (!OpenClipboard(nullptr)) return;
  EmptyClipboard();
  auto put = [](UINT format, const std::string& bytes) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.empty() ? 1 : bytes.size());
    if (!block) return;
    if (void* data = GlobalLock(block)) {
      if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
      GlobalUnlock(block);
    }
    if (!SetClipboardData(format, block)) GlobalFree(block);
  };
  auto randomBytes = [&random](size_t length) {
    std::string bytes;
    for (size_t i = 0; i < length; ++i) bytes.push_back(static_cast<char>(random.Bits()));
    return bytes;
  };
  const uint32_t kind = random.Below(8);
  static const char* const kKinds[] = {"nothing", "text",     "html",     "bitmap",
                                       "hdrop",   "kept-bytes", "kept-bytes", "kept-bytes"};
  std::snprintf(g_clipboardFill, sizeof(g_clipboardFill), "%s before call %lld", kKinds[kind],
                g_call.load() + 1);
  switch (kind) {
    case 0:
      break;  // nothing
    case 1: {
      std::wstring text(random.Below(200), L'x');
      for (auto& c : text) c = static_cast<wchar_t>(0x20 + random.Below(0x3000));
      put(CF_UNICODETEXT, std::string(reinterpret_cast<const char*>(text.c_str()),
                                      (text.size() + 1) * sizeof(wchar_t)));
      break;
    }
    case 2: {
      static const char* const kFragments[] = {
          "<b>bold</b>", "<img src=\"file:///C:/windows/win.ini\">",
          "<img src=\"cid:part1@x\">", "<img src=\"http://127.0.0.1/p.png\">", "<p>",
          "<img src=\"C:\\missing.png\">"};
      std::string fragment = kFragments[random.Below(6)];
      const std::string before = "<html><body><!--StartFragment-->";
      const std::string after = "<!--EndFragment--></body></html>";
      char header[200];
      const int headerLength = 105;  // the header below, with ten-digit offsets
      const int start = headerLength;
      const int fragmentStart = start + static_cast<int>(before.size());
      const int fragmentEnd = fragmentStart + static_cast<int>(fragment.size());
      const int end = fragmentEnd + static_cast<int>(after.size());
      const int skew = random.Chance(30) ? static_cast<int>(random.Below(400)) - 200 : 0;
      std::snprintf(header, sizeof(header),
                    "Version:0.9\r\nStartHTML:%010d\r\nEndHTML:%010d\r\nStartFragment:%010d\r\n"
                    "EndFragment:%010d\r\n",
                    start, end + skew, fragmentStart, fragmentEnd + skew);
      put(RegisterClipboardFormatW(L"HTML Format"), header + before + fragment + after);
      break;
    }
    case 3: {
      HDC screen = GetDC(nullptr);
      const int side = 1 + static_cast<int>(random.Below(64));
      HBITMAP bitmap = CreateCompatibleBitmap(screen, side, side);
      ReleaseDC(nullptr, screen);
      if (bitmap && !SetClipboardData(CF_BITMAP, bitmap)) DeleteObject(bitmap);
      break;
    }
    case 4: {
      // DROPFILES and one wide path, doubly terminated.
      const std::wstring path = random.Chance(50) ? L"C:\\windows\\win.ini" : L"C:\\no\\such.file";
      DROPFILES drop{};
      drop.pFiles = sizeof(drop);
      drop.fWide = TRUE;
      std::string bytes(reinterpret_cast<const char*>(&drop), sizeof(drop));
      bytes.append(reinterpret_cast<const char*>(path.c_str()), (path.size() + 1) * sizeof(wchar_t));
      bytes.append(2, '\0');
      put(CF_HDROP, bytes);
      break;
    }
    default: {
      static const wchar_t* const kKept[] = {L"QX HTML Format", L"QX HDROP Format",
                                             L"QX BITMAP Format", L"FileGroupDescriptor"};
      const uint32_t format = random.Below(4);
      std::snprintf(g_clipboardFill, sizeof(g_clipboardFill), "random bytes as %ls before call %lld",
                    kKept[format], g_call.load() + 1);
      put(RegisterClipboardFormatW(kKept[format]), randomBytes(random.Below(600)));
      break;
    }
  }
  CloseClipboard();
}

void Driver::EmptyClipboardNow() {
  if (!OpenClipboard(nullptr)) return;
  EmptyClipboard();
  CloseClipboard();
}

// Calls the member `id` with texts, and objects where `objects` says so,
// outside the counted calls.
void Driver::Plain(DISPID id, const std::vector<std::wstring>& texts, size_t objects) {
  std::vector<VARIANT> values(texts.size() + objects);
  for (size_t i = 0; i < values.size(); ++i) {  // last argument first
    VariantInit(&values[i]);
    if (i < objects) {
      V_VT(&values[i]) = VT_DISPATCH;
      V_DISPATCH(&values[i]) = new FuzzObject(0, false);
    } else {
      const std::wstring& text = texts[texts.size() - 1 - (i - objects)];
      V_VT(&values[i]) = VT_BSTR;
      V_BSTR(&values[i]) = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    }
  }
  DISPPARAMS params{values.empty() ? nullptr : values.data(), nullptr,
                    static_cast<UINT>(values.size()), 0};
  g_callStarted = GetTickCount64();
  control_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                   nullptr);
  g_callStarted = 0;
  for (auto& v : values) VariantClear(&v);
}

// Before the counted calls, every path that initialises something the
// system keeps for the process (the shell's folder browser, the network
// library, the picture codecs, the progress dialogs) runs once, with every
// kind of clipboard content, so that the first sample does not miss what
// a first use costs.
void Driver::WarmUp() {
  Describe(L"warm-up");
  Plain(3, {});
  Plain(4, {pageOrigin_ + L"/download.php?id=1", L"a.txt", L"1"});
  Plain(5, {L"blue"});  // the folder browser, cancelled
  for (uint64_t round = 0; round < 16; ++round) {
    Random random(SplitMix(round));
    FillClipboard(random);
    Plain(7, {});
    Plain(6, {uploadHost_, user_, L"blue", sid_}, 3);
    Plain(8, {});
  }
  Quiesce();
}

void Driver::Call(long long index) {
  Random random(SplitMix(seed_ ^ SplitMix(static_cast<uint64_t>(index))));
  const auto& members = Members();

  // The target: a member by its name (in any letter case), now and then a
  // name or a DISPID the interface does not have.
  const Member* member = nullptr;
  DISPID id = 0;
  std::string memberKey;
  std::vector<DISPID> parameterIds;
  const uint32_t target = random.Below(100);
  if (target < 92) {
    member = &members[random.Below(static_cast<uint32_t>(members.size()))];
    if (!only_.empty() && only_.count(member->name) == 0) {
      // Another member: the draws that follow stay those of the full run.
      member = &members[0];
      for (const auto& m : members) {
        if (only_.count(m.name)) member = &m;
      }
    }
    std::wstring name = member->name;
    if (random.Chance(30)) {
      for (auto& c : name) c = random.Chance(50) ? towupper(c) : towlower(c);
    }
    std::vector<std::wstring> names{name};
    const bool withParameters = !member->parameters.empty() && random.Chance(15);
    if (withParameters) {
      for (const wchar_t* p : member->parameters) {
        if (random.Chance(70)) names.push_back(p);
      }
      if (random.Chance(20)) names.push_back(L"nosuchparameter");
    }
    std::vector<LPOLESTR> pointers;
    for (auto& n : names) pointers.push_back(const_cast<LPOLESTR>(n.c_str()));
    std::vector<DISPID> ids(names.size(), 0);
    const HRESULT hr = control_->GetIDsOfNames(IID_NULL, pointers.data(),
                                               static_cast<UINT>(pointers.size()),
                                               LOCALE_USER_DEFAULT, ids.data());
    Describe(L"GetIDsOfNames " + name);
    // A parameter name it does not have fails the lookup (DISP_E_UNKNOWNNAME);
    // the member's own name is always found.
    if ((hr == S_OK || hr == DISP_E_UNKNOWNNAME) ? ids[0] != member->id : true) {
      Finding(index, "GetIDsOfNames gave " + std::to_string(ids[0]) + " (" + HresultName(hr) +
                         ") for " + Narrow(name));
      return;
    }
    id = member->id;
    parameterIds.assign(ids.begin() + 1, ids.end());
    memberKey = Narrow(member->name);
  } else if (target < 95) {
    static const wchar_t* const kUnknownNames[] = {L"Versio", L"", L"Version ", L"AddDownloads",
                                                   L"url", L"theme"};
    std::wstring name = kUnknownNames[random.Below(6)];
    if (random.Chance(20)) name.assign(70000, L'V');
    LPOLESTR pointer = const_cast<LPOLESTR>(name.c_str());
    DISPID got = 0;
    const HRESULT hr = control_->GetIDsOfNames(IID_NULL, &pointer, 1, LOCALE_USER_DEFAULT, &got);
    Describe(L"GetIDsOfNames of an unknown name " + name.substr(0, 20));
    ++perMember_["(unknown-name)"];
    ++perOutcome_[HresultName(hr)];
    if (hr != DISP_E_UNKNOWNNAME) {
      Finding(index, "GetIDsOfNames of an unknown name gave " + HresultName(hr) + " id " +
                         std::to_string(got));
    }
    return;
  } else {
    // Besides numbers no member has: the ids the type information gives the
    // functions the interface inherits (QueryInterface 0x60000000 to Invoke
    // 0x60010003), which GetIDsOfNames finds by their names.
    static const DISPID kUnknown[] = {0,          -1,         -3,         -4,         -5,
                                      -8,         11,         12,         100,        0x7fffffff,
                                      static_cast<DISPID>(0x80000000),    0x60000000, 0x60000001,
                                      0x60000002, 0x60010000, 0x60010001, 0x60010002, 0x60010003};
    constexpr uint32_t kUnknownCount = sizeof(kUnknown) / sizeof(kUnknown[0]);
    id = random.Chance(80) ? kUnknown[random.Below(kUnknownCount)] : static_cast<DISPID>(random.Bits());
    memberKey = "(unknown-dispid)";
  }

  // The flags and the arguments.
  static const WORD kFlags[] = {DISPATCH_METHOD,      DISPATCH_METHOD,      DISPATCH_METHOD,
                                DISPATCH_METHOD,      DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                                DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                                DISPATCH_PROPERTYGET, DISPATCH_PROPERTYGET, DISPATCH_PROPERTYPUT,
                                DISPATCH_PROPERTYPUTREF, 0};
  WORD flags = random.Chance(93) ? kFlags[random.Below(11)] : static_cast<WORD>(random.Bits());
  const int expected = member ? member->arguments : 0;
  size_t count = static_cast<size_t>(expected);
  const uint32_t shape = random.Below(100);
  if (shape >= 55 && shape < 80) {
    count = static_cast<size_t>(std::max(0, expected + static_cast<int>(random.Below(5)) - 2));
  } else if (shape >= 80 && shape < 90) {
    count = 0;
  } else if (shape >= 90) {
    count = 8 + random.Below(33);
  }

  Arguments arguments(random, uploadHost_, pageOrigin_);
  const bool wellFormed = member && random.Chance(40);
  if (wellFormed) arguments.PreferTexts(WellFormedTexts(random, member->id));
  arguments.Fill(count, expected, wellFormed, member && member->id == 6);
  // What the driver put on the clipboard stays for some ten calls: Wine's
  // GetClipboardData keeps a copy of the data at every read (about 1 KiB
  // for an HTML block of 250 bytes; the copies go when the clipboard
  // changes), and content left for the whole run would let that growth,
  // not the control's, fill the allowance.
  if (random.Chance(3)) {
    FillClipboard(random);
  } else if (random.Chance(10)) {
    EmptyClipboardNow();
  }
  std::vector<DISPID> named;
  const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  if (count > 0 && put && random.Chance(70)) named.push_back(DISPID_PROPERTYPUT);
  if (count > 0 && random.Chance(10)) {
    const size_t extra = 1 + random.Below(static_cast<uint32_t>(count));
    while (named.size() < extra) {
      const uint32_t pick = random.Below(4);
      if (pick == 0 && !parameterIds.empty()) {
        named.push_back(parameterIds[random.Below(static_cast<uint32_t>(parameterIds.size()))]);
      } else if (pick == 1) {
        named.push_back(static_cast<DISPID>(random.Below(static_cast<uint32_t>(expected + 2))));
      } else if (pick == 2) {
        named.push_back(DISPID_PROPERTYPUT);
      } else {
        named.push_back(static_cast<DISPID>(random.Bits()));
      }
    }
  }
  if (!parameterIds.empty() && named.empty() && count > 0) {
    // The looked-up parameter ids, as a caller naming them would pass them.
    for (size_t i = 0; i < parameterIds.size() && i < count; ++i) named.push_back(parameterIds[i]);
  }

  const bool refused = random.Chance(5);
  const bool wrongInterface = random.Chance(2);
  const bool giveResult = random.Chance(80);
  const bool giveException = random.Chance(80);
  const bool giveArgError = random.Chance(70);
  const bool nullParams = random.Chance(1);

  char head[200];
  std::snprintf(head, sizeof(head), "%s dispid %ld flags 0x%x args %zu named %zu%s%s%s: ",
                memberKey.c_str(), static_cast<long>(id), flags, count, named.size(),
                refused ? " refused-page" : "", wrongInterface ? " wrong-iid" : "",
                nullParams ? " null-params" : "");
  std::wstring description(head, head + std::strlen(head));
  description += arguments.Kinds();
  Describe(description);

  DISPPARAMS params{arguments.Data(), named.empty() ? nullptr : named.data(),
                    static_cast<UINT>(count), static_cast<UINT>(named.size())};
  const std::vector<VARIANT> before = arguments.Snapshot();
  VARIANT result;
  VariantInit(&result);
  EXCEPINFO exception{};
  UINT argError = 0xFFFFFFFFu;
  site_.Refuse(refused);
  g_callStarted = GetTickCount64();
  g_call = index;
  const HRESULT hr = control_->Invoke(id, wrongInterface ? IID_IDispatch : IID_NULL,
                                      LOCALE_USER_DEFAULT, flags, nullParams ? nullptr : &params,
                                      giveResult ? &result : nullptr,
                                      giveException ? &exception : nullptr,
                                      giveArgError ? &argError : nullptr);
  const ULONGLONG took = GetTickCount64() - g_callStarted;
  g_callStarted = 0;
  site_.Refuse(false);
  // For the summary only: which calls wait on dialogs, the network, timers.
  if (took >= 1000) ++slowCalls_;
  if (took > slowest_) {
    slowest_ = took;
    slowestCall_ = index;
    slowestWhat_ = memberKey;
  }

  // What came back.
  std::string outcome = HresultName(hr);
  if (hr == DISP_E_EXCEPTION && giveException) {
    if (exception.pfnDeferredFillIn) exception.pfnDeferredFillIn(&exception);
    const HRESULT code = exception.scode ? exception.scode
                                         : exception.wCode ? MAKE_HRESULT(1, FACILITY_ITF, exception.wCode)
                                                           : S_OK;
    outcome += ":" + HresultName(code);
    if (code == S_OK) Finding(index, "DISP_E_EXCEPTION with an empty EXCEPINFO");
    else if (!CleanFailure(code)) Finding(index, "DISP_E_EXCEPTION carries " + HresultName(code));
  } else if (giveException && (exception.bstrSource || exception.bstrDescription ||
                               exception.scode || exception.wCode)) {
    Finding(index, HresultName(hr) + " with an EXCEPINFO filled");
  }
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);
  ++perMember_[memberKey];
  ++perOutcome_[outcome];
  ++byMember_[memberKey][outcome];

  if (FAILED(hr)) {
    if (!CleanFailure(hr)) Finding(index, "failed with " + HresultName(hr));
    if (giveResult && V_VT(&result) != VT_EMPTY) {
      Finding(index, "failed with " + HresultName(hr) + " and left a result of type " +
                         std::to_string(V_VT(&result)));
    }
    if (giveArgError && argError != 0xFFFFFFFFu &&
        (hr == DISP_E_TYPEMISMATCH || hr == DISP_E_PARAMNOTFOUND) && argError >= count) {
      Finding(index, HresultName(hr) + " names argument " + std::to_string(argError) + " of " +
                         std::to_string(count));
    }
  } else {
    // A success: only a member that exists, called as it is declared, from
    // a page that may call it, with its own number of arguments.
    // Every argument given, named or not (a method call passes one named
    // DISPID_PROPERTYPUT on like any other).
    const size_t positional = count;
    if (hr != S_OK) Finding(index, "succeeded with " + HresultName(hr));
    if (!member) Finding(index, "an unknown DISPID succeeded");
    if (wrongInterface) Finding(index, "a call for another interface succeeded");
    if (put) {
      if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) {
        Finding(index, "a property put succeeded on a member without one");
      }
    }
    if (member) {
      if (refused && member->guarded) Finding(index, "S_OK for a page that is not allowed");
      // Fewer arguments than declared never succeed (none is optional).
      // More are the system's type-library dispatch's to refuse; Wine's
      // passes the declared ones and ignores the rest, so they are counted,
      // not held against the control.
      if (positional < static_cast<size_t>(member->arguments)) {
        Finding(index, "succeeded with " + std::to_string(count) + " arguments for " +
                           std::to_string(member->arguments));
      } else if (positional > static_cast<size_t>(member->arguments)) {
        ++extraArgumentsAccepted_;
      }
      if (giveResult) {
        if (member->id == 1 && (V_VT(&result) != VT_I4 || V_I4(&result) != kInterfaceVersion)) {
          Finding(index, "Version gave type " + std::to_string(V_VT(&result)) + " value " +
                             std::to_string(V_VT(&result) == VT_I4 ? V_I4(&result) : -1));
        } else if (member->id == 2 && (V_VT(&result) != VT_I4 || V_I4(&result) < 0 ||
                                       V_I4(&result) > 1)) {
          Finding(index, "ProtectedMode gave type " + std::to_string(V_VT(&result)));
        } else if (member->id > 2 && V_VT(&result) != VT_EMPTY) {
          Finding(index, "a method gave a result of type " + std::to_string(V_VT(&result)));
        }
      }
    }
  }
  VariantClear(&result);

  // By-value arguments are the caller's: the callee leaves them as they were.
  for (size_t i = 0; i < count; ++i) {
    const VARIANT& was = before[i];
    const VARIANT& now = arguments.Data()[i];
    if (V_VT(&was) & VT_BYREF) continue;
    if (V_VT(&was) != V_VT(&now) || std::memcmp(&was.llVal, &now.llVal, sizeof(LONGLONG)) != 0) {
      Finding(index, "argument " + std::to_string(i) + " (type " + std::to_string(V_VT(&was)) +
                         ") changed to type " + std::to_string(V_VT(&now)));
    }
  }
}

void Driver::Print(long long calls) const {
  std::printf("seed=%llu calls=%lld members={", static_cast<unsigned long long>(seed_), calls);
  bool first = true;
  for (const auto& [name, n] : perMember_) {
    std::printf("%s%s:%ld", first ? "" : ",", name.c_str(), n);
    first = false;
  }
  std::printf("} outcomes={");
  first = true;
  for (const auto& [name, n] : perOutcome_) {
    std::printf("%s%s:%ld", first ? "" : ",", name.c_str(), n);
    first = false;
  }
  std::printf("} extra-arguments-accepted=%ld calls-over-1s=%ld slowest=%s@%lld:%llums",
              extraArgumentsAccepted_, slowCalls_, slowestWhat_.c_str(), slowestCall_,
              static_cast<unsigned long long>(slowest_));
}

void Driver::PrintByMember() const {
  for (const auto& [member, outcomes] : byMember_) {
    std::printf("by-member %s:", member.c_str());
    for (const auto& [name, n] : outcomes) std::printf(" %s=%ld", name.c_str(), n);
    std::printf("\n");
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 5 && argc != 7) {
    std::fprintf(stderr, "usage: dispatch_driver SEED CALLS PAGE UPLOADHOST [USER SID]\n");
    return 64;
  }
  const std::wstring user = argc == 7 ? argv[5] : L"ann@quillpost.com";
  const std::wstring sid = argc == 7 ? argv[6] : L"0";
  const uint64_t seed = _wcstoui64(argv[1], nullptr, 10);
  const long long calls = _wcstoi64(argv[2], nullptr, 10);
  const std::wstring page = argv[3];
  const std::wstring uploadHost = argv[4];
  if (calls <= 0) return 64;
  g_seed = seed;
  const size_t schemeEnd = page.find(L"://");
  const size_t pathStart = schemeEnd == std::wstring::npos ? std::wstring::npos
                                                           : page.find(L'/', schemeEnd + 3);
  const std::wstring origin = page.substr(0, pathStart);

  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  SetUnhandledExceptionFilter(ReportCrash);
  PVOID counter = AddVectoredExceptionHandler(1, CountFaults);
  if (FAILED(OleInitialize(nullptr))) return 5;
  int status = 0;
  {
    CLSID clsid;
    IDispatch* control = nullptr;
    HRESULT hr = CLSIDFromProgID(L"Vantrell.QPTTool", &clsid);
    if (SUCCEEDED(hr)) {
      hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                            reinterpret_cast<void**>(&control));
    }
    IOleObject* ole = nullptr;
    if (SUCCEEDED(hr)) {
      hr = control->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&ole));
    }
    if (FAILED(hr)) {
      std::printf("dispatch_driver: the control could not be created: %s\n",
                  HresultName(hr).c_str());
      if (control) control->Release();
      OleUninitialize();
      return 5;
    }
    PageSite site(page);
    ole->SetClientSite(&site);

    std::atomic<bool> stop{false};
    DialogCounts dialogs;
    std::thread answering([&] { AnswerDialogs(stop, dialogs); });

    Driver driver(control, site, seed, uploadHost, origin, user, sid);
    const long long sampleAt = std::max(1ll, calls / 10);
    Resources early{};
    Resources late{};
    driver.WarmUp();
    std::string trend;  // heap and private KiB and handles at each tenth, for the eye
    for (long long i = 0; i < calls; ++i) {
      if (i == sampleAt || (i > 0 && i % sampleAt == 0)) {
        driver.Quiesce();
        const Resources now = Sample();
        if (i == sampleAt) early = now;
        trend += " " + std::to_string(now.heapInUse / 1024) + "/" +
                 std::to_string(now.privateBytes / 1024) + "/" + std::to_string(now.handles);
      }
      driver.Call(i);
    }
    driver.Quiesce();
    late = Sample();
    const long leftObjects = g_liveObjects.load();

    stop = true;
    answering.join();
    ole->SetClientSite(nullptr);
    ole->Close(OLECLOSE_NOSAVE);
    ole->Release();
    const ULONG controlLeft = control->Release();

    const long handleGrowth = static_cast<long>(late.handles) - static_cast<long>(early.handles);
    const long long heapGrowth = static_cast<long long>(late.heapInUse) -
                                 static_cast<long long>(early.heapInUse);
    const long long memoryGrowth = static_cast<long long>(late.privateBytes) -
                                   static_cast<long long>(early.privateBytes);
    const long gdiGrowth = static_cast<long>(late.gdi) - static_cast<long>(early.gdi);
    const long userGrowth = std::max(static_cast<long>(late.user) - static_cast<long>(early.user),
                                     late.windows - early.windows);
    if (leftObjects != 0) {
      std::printf("finding: %ld of the driver's objects are still referenced after the run\n",
                  leftObjects);
      status = 1;
    }
    if (controlLeft != 0) {
      std::printf("finding: the control has %lu references left after its last release\n",
                  static_cast<unsigned long>(controlLeft));
      status = 1;
    }
    if (site.References() != 1) {
      std::printf("finding: the page's site has %lu references left after the control closed\n",
                  static_cast<unsigned long>(site.References() - 1));
      status = 1;
    }
    if (driver.findings() > 0) status = 1;
    const bool grew = handleGrowth > kHandleAllowance || heapGrowth > kHeapAllowance ||
                      memoryGrowth > kMemoryAllowance || gdiGrowth > kGuiAllowance ||
                      userGrowth > kGuiAllowance;
    if (grew) {
      std::printf("finding: growth between call %lld and call %lld beyond the allowance "
                  "(handles +%ld, heap in use +%lld KiB, private +%lld KiB, GDI/USER objects or "
                  "windows +%ld): handles %+ld, heap in use %+lld KiB, private %+lld KiB, gdi "
                  "%+ld, user or windows %+ld\n",
                  sampleAt, calls, kHandleAllowance, kHeapAllowance / 1024,
                  kMemoryAllowance / 1024, kGuiAllowance, handleGrowth, heapGrowth / 1024,
                  memoryGrowth / 1024, gdiGrowth, userGrowth);
      if (status == 0) status = 2;
    }

    driver.PrintByMember();
    std::printf("heap KiB/private KiB/handles every %lld calls:%s\n", sampleAt, trend.c_str());
    for (const auto& title : dialogs.otherTitles) {
      std::printf("other dialog answered: \"%s\"\n", Narrow(title).c_str());
    }
    std::printf("dispatch_driver: ");
    driver.Print(calls);
    std::printf(" dialogs={folder:%ld,themed:%ld,other:%ld} first-chance-faults=%ld"
                " at-%lld={%s} at-%lld={%s} findings=%ld result=%s\n",
                dialogs.folders.load(), dialogs.themed.load(), dialogs.others.load(),
                g_firstChanceFaults.load(), sampleAt, Figures(early).c_str(), calls,
                Figures(late).c_str(), driver.findings() + (status != 0 && driver.findings() == 0),
                status == 0 ? "ok" : status == 2 ? "growth" : "findings");
    std::fflush(stdout);
  }
  OleUninitialize();
  RemoveVectoredExceptionHandler(counter);
  return status;
}
