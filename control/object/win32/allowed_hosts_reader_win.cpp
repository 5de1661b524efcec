#include "control/object/win32/allowed_hosts_reader_win.h"

#include <windows.h>

#include "common/win32/registry_win.h"
#include "common/win32/wide_win.h"
#include "control/object/allowed_hosts.h"

namespace gwax {
namespace {

// The system's expansion; the text unchanged when it fails.
std::u16string ExpandWithSystem(std::u16string_view text) {
  const std::wstring source(text.begin(), text.end());
  const DWORD needed = ExpandEnvironmentStringsW(source.c_str(), nullptr, 0);
  if (needed == 0) return std::u16string(text);
  std::wstring expanded(needed, L'\0');
  const DWORD written = ExpandEnvironmentStringsW(source.c_str(), expanded.data(), needed);
  if (written == 0 || written > needed) return std::u16string(text);
  expanded.resize(written - 1);
  return qp::FromWide(expanded.c_str());
}

}  // namespace

std::vector<std::u16string> ReadExtraAllowedHosts() {
  qp::Win32Registry registry;
  return ReadAllowedHosts(registry, ExpandWithSystem);
}

}  // namespace gwax
