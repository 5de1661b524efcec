// Owners of a DDE client's resources: the instance, a conversation, a
// string handle and a data handle.
#pragma once

#include <windows.h>
#include <ddeml.h>

#include <string>
#include <string_view>

#include "common/win32/unique_resource_win.h"
#include "common/win32/wide_win.h"

namespace qp {

struct DdeInstanceTraits {
  static DWORD Invalid() { return 0; }
  static bool IsValid(DWORD instance) { return instance != 0; }
  static void Close(DWORD instance) { DdeUninitialize(instance); }
};
using UniqueDdeInstance = UniqueResource<DWORD, DdeInstanceTraits>;

struct DdeConversationTraits {
  static HCONV Invalid() { return nullptr; }
  static bool IsValid(HCONV conversation) { return conversation != nullptr; }
  static void Close(HCONV conversation) { DdeDisconnect(conversation); }
};
using UniqueDdeConversation = UniqueResource<HCONV, DdeConversationTraits>;

struct DdeDataTraits {
  static HDDEDATA Invalid() { return nullptr; }
  static bool IsValid(HDDEDATA data) { return data != nullptr; }
  static void Close(HDDEDATA data) { DdeFreeDataHandle(data); }
};
using UniqueDdeData = UniqueResource<HDDEDATA, DdeDataTraits>;

// A string handle in the UTF-16 code page, freed with its owner; it needs
// its instance to be freed, so it is not a UniqueResource.
class DdeString {
 public:
  DdeString(DWORD instance, std::u16string_view text) : instance_(instance) {
    const std::u16string copy(text);
    handle_ = DdeCreateStringHandleW(instance, Wide(copy), CP_WINUNICODE);
  }
  ~DdeString() {
    if (handle_) DdeFreeStringHandle(instance_, handle_);
  }
  DdeString(const DdeString&) = delete;
  DdeString& operator=(const DdeString&) = delete;
  HSZ Get() const { return handle_; }

 private:
  DWORD instance_;
  HSZ handle_ = nullptr;
};

}  // namespace qp
