// What a screen reader and a keyboard user meet in a window, for the
// scenarios:
//   accessibility_probe tree WINDOW   every element of the window's accessible
//                                     tree, one line each (below)
//   accessibility_probe focus         the control that has the keyboard
//                                     focus (a combo box for its edit
//                                     field): "HWND ID CLASS TEXT"
//   accessibility_probe alerts        prints "listening", then "alert TEXT"
//                                     for each alert a program raises
//                                     (EVENT_SYSTEM_ALERT) with the text of
//                                     its window, until ended
//   accessibility_probe keys KEY...   presses and releases keys as the
//                                     keyboard does (SendInput): tab,
//                                     shift+tab, enter, space, escape, down,
//                                     up, or text:WORDS typed character by
//                                     character
//
// A tree line holds tab-separated fields: depth, window handle, window
// class, window style (hex), name, role (the system's text for it), state
// (hex), default action, the rectangle on screen "left top width height"
// ("-" when the element has none) and the description.
#include <windows.h>
#include <oleacc.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "common/win32/accessible_win.h"

namespace {

HWND ParseWindow(const wchar_t* text) {
  return reinterpret_cast<HWND>(static_cast<INT_PTR>(wcstoll(text, nullptr, 0)));
}

void PrintUtf8(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                      nullptr, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

// Tabs and line breaks in a name would break the line format.
std::wstring OneLine(BSTR text) {
  std::wstring line = text ? text : L"";
  for (wchar_t& c : line) {
    if (c == L'\t' || c == L'\r' || c == L'\n') c = L' ';
  }
  return line;
}

struct Element {
  IAccessible* object;  // not owned
  VARIANT child;        // CHILDID_SELF or a simple element's id
};

Element Self(IAccessible* object) {
  Element e{object, {}};
  e.child.vt = VT_I4;
  e.child.lVal = CHILDID_SELF;
  return e;
}

std::wstring RoleText(const VARIANT& role) {
  if (role.vt == VT_BSTR) return OneLine(role.bstrVal);
  if (role.vt != VT_I4) return L"-";
  wchar_t text[128] = {};
  if (GetRoleTextW(static_cast<DWORD>(role.lVal), text, 128) == 0) {
    return L"role " + std::to_wstring(role.lVal);
  }
  return text;
}

void PrintElement(const Element& e, int depth) {
  HWND window = nullptr;
  if (e.child.lVal == CHILDID_SELF) WindowFromAccessibleObject(e.object, &window);
  wchar_t cls[64] = L"-";
  if (window) GetClassNameW(window, cls, 64);
  const LONG_PTR style = window ? GetWindowLongPtrW(window, GWL_STYLE) : 0;

  BSTR name = nullptr, action = nullptr, description = nullptr;
  VARIANT role, state;
  VariantInit(&role);
  VariantInit(&state);
  e.object->get_accName(e.child, &name);
  e.object->get_accRole(e.child, &role);
  e.object->get_accState(e.child, &state);
  e.object->get_accDefaultAction(e.child, &action);
  e.object->get_accDescription(e.child, &description);
  LONG left = 0, top = 0, width = 0, height = 0;
  const bool located =
      SUCCEEDED(e.object->accLocation(&left, &top, &width, &height, e.child));

  wchar_t head[160];
  std::swprintf(head, 160, L"%d\t0x%llx\t%ls\t%08lx\t", depth,
                static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)), cls,
                static_cast<unsigned long>(style));
  std::wstring line = head;
  line += OneLine(name) + L"\t" + RoleText(role) + L"\t";
  wchar_t tail[96];
  std::swprintf(tail, 96, L"%08lx\t", state.vt == VT_I4 ? static_cast<unsigned long>(state.lVal)
                                                        : 0UL);
  line += tail + OneLine(action) + L"\t";
  if (located) {
    std::swprintf(tail, 96, L"%ld %ld %ld %ld", left, top, width, height);
    line += tail;
  } else {
    line += L"-";
  }
  PrintUtf8(line + L"\t" + OneLine(description) + L"\n");
  SysFreeString(name);
  SysFreeString(action);
  SysFreeString(description);
  VariantClear(&role);
  VariantClear(&state);
}

// A child window is named to a client as its window object, whose own
// child is the client object that answers for the control: what a screen
// reader reads. Takes `object`'s reference; returns one.
IAccessible* ClientOf(IAccessible* object) {
  HWND window = nullptr;
  if (FAILED(WindowFromAccessibleObject(object, &window)) || !window) return object;
  IAccessible* client = nullptr;
  if (FAILED(AccessibleObjectFromWindow(window, OBJID_CLIENT, qp::kIidAccessible,
                                        reinterpret_cast<void**>(&client))) ||
      !client) {
    return object;
  }
  object->Release();
  return client;
}

// The element, then its children, depth first. Guards against a tree that
// names an object again below itself.
// Takes `object`'s reference.
void Walk(IAccessible* object, int depth) {
  PrintElement(Self(object), depth);
  LONG count = 0;
  if (depth > 12 || FAILED(object->get_accChildCount(&count)) || count <= 0) {
    object->Release();
    return;
  }
  std::vector<VARIANT> children(static_cast<size_t>(count));
  for (VARIANT& v : children) VariantInit(&v);
  LONG got = 0;
  if (FAILED(AccessibleChildren(object, 0, count, children.data(), &got))) return;
  for (LONG i = 0; i < got; ++i) {
    VARIANT& v = children[static_cast<size_t>(i)];
    if (v.vt == VT_DISPATCH && v.pdispVal) {
      IAccessible* child = nullptr;
      if (SUCCEEDED(v.pdispVal->QueryInterface(qp::kIidAccessible,
                                               reinterpret_cast<void**>(&child))) &&
          child) {
        Walk(ClientOf(child), depth + 1);
      }
    } else if (v.vt == VT_I4) {
      Element simple = Self(object);
      simple.child.lVal = v.lVal;
      PrintElement(simple, depth + 1);
    }
    VariantClear(&v);
  }
  object->Release();
}

int Tree(HWND window) {
  if (!IsWindow(window)) {
    std::fprintf(stderr, "accessibility_probe: no such window\n");
    return 1;
  }
  IAccessible* object = nullptr;
  const HRESULT found = AccessibleObjectFromWindow(window, OBJID_CLIENT, qp::kIidAccessible,
                                                   reinterpret_cast<void**>(&object));
  if (FAILED(found) || !object) {
    std::fprintf(stderr, "accessibility_probe: no accessible object: 0x%08lx\n",
                 static_cast<unsigned long>(found));
    return 1;
  }
  // The element itself is the window's client object; its own client
  // object names the children.
  Walk(object, 0);
  return 0;
}

int Focus() {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(0, &info) || !info.hwndFocus) {
    std::printf("none\n");
    return 0;
  }
  HWND focus = info.hwndFocus;
  wchar_t cls[64] = {}, text[256] = {};
  // A combo box's edit field stands for the combo box.
  HWND parent = GetParent(focus);
  if (parent && GetClassNameW(parent, cls, 64) && wcscmp(cls, L"ComboBox") == 0) focus = parent;
  GetClassNameW(focus, cls, 64);
  GetWindowTextW(focus, text, 256);
  wchar_t head[128];
  std::swprintf(head, 128, L"0x%llx %d %ls ",
                static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(focus)),
                GetDlgCtrlID(focus), cls);
  PrintUtf8(std::wstring(head) + text + L"\n");
  return 0;
}

// The window's text (the name the system gives a static text), read
// without asking the program, which may be busy while it shows a status.
void CALLBACK OnAlert(HWINEVENTHOOK, DWORD, HWND window, LONG, LONG, DWORD, DWORD) {
  wchar_t text[256] = {};
  InternalGetWindowText(window, text, 256);
  PrintUtf8(L"alert " + OneLine(text) + L"\n");
  std::fflush(stdout);
}

int Alerts() {
  HWINEVENTHOOK hook = SetWinEventHook(EVENT_SYSTEM_ALERT, EVENT_SYSTEM_ALERT, nullptr, OnAlert,
                                       0, 0, WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
  if (!hook) return 1;
  std::printf("listening\n");
  std::fflush(stdout);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  UnhookWinEvent(hook);
  return 0;
}

INPUT Key(WORD key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

INPUT Unicode(wchar_t c, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wScan = c;
  input.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
  return input;
}

// The presses and releases of one key name; empty for an unknown name.
std::vector<INPUT> Presses(const std::wstring& name) {
  struct Named {
    const wchar_t* name;
    WORD key;
  };
  static constexpr Named kKeys[] = {{L"tab", VK_TAB},       {L"enter", VK_RETURN},
                                    {L"space", VK_SPACE},   {L"escape", VK_ESCAPE},
                                    {L"down", VK_DOWN},     {L"up", VK_UP},
                                    {L"home", VK_HOME},     {L"end", VK_END},
                                    {L"backspace", VK_BACK}};
  std::vector<INPUT> inputs;
  if (name.rfind(L"text:", 0) == 0) {
    for (wchar_t c : name.substr(5)) {
      inputs.push_back(Unicode(c, false));
      inputs.push_back(Unicode(c, true));
    }
    return inputs;
  }
  const bool shifted = name.rfind(L"shift+", 0) == 0;
  const std::wstring base = shifted ? name.substr(6) : name;
  for (const Named& k : kKeys) {
    if (base != k.name) continue;
    if (shifted) inputs.push_back(Key(VK_SHIFT, false));
    inputs.push_back(Key(k.key, false));
    inputs.push_back(Key(k.key, true));
    if (shifted) inputs.push_back(Key(VK_SHIFT, true));
  }
  return inputs;
}

int Keys(int count, wchar_t** names) {
  for (int i = 0; i < count; ++i) {
    std::vector<INPUT> inputs = Presses(names[i]);
    if (inputs.empty()) {
      std::fprintf(stderr, "accessibility_probe: unknown key %ls\n", names[i]);
      return 2;
    }
    const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    if (sent != inputs.size()) {
      std::fprintf(stderr, "accessibility_probe: %u of %zu key events sent\n", sent,
                   inputs.size());
      return 1;
    }
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const std::wstring verb = argv[1];
  if (verb == L"focus") return Focus();
  if (verb == L"keys") return Keys(argc - 2, argv + 2);
  if (FAILED(CoInitialize(nullptr))) return 1;
  int rc = 2;
  if (verb == L"tree" && argc == 3) rc = Tree(ParseWindow(argv[2]));
  if (verb == L"alerts") rc = Alerts();
  CoUninitialize();
  return rc;
}
