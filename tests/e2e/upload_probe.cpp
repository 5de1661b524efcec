// Runs the control's uploads from the command line, for the scenarios that
// check what arrives at the stand-in host:
//
//   upload_probe upload TARGET PATH USER [CANCEL_AFTER]
//       the file upload; with CANCEL_AFTER, the progress reports cancelling
//       after that many chunks. Prints "ok PATH KEY SIZE" or "failed".
//   upload_probe copy TARGET ADDRESS USER SID
//       the copy by address; prints "ok PATH KEY SIZE NAME" or "failed".
//   upload_probe trust FILE
//       adds the certificate (PEM) to the current user's trusted roots.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "common/utf8.h"
#include "common/win32/wide_win.h"
#include "control/upload/win32/upload_win.h"

namespace {

// Progress that says "cancelled" after a number of chunks.
class CountingFeedback : public gwax::Feedback {
 public:
  explicit CountingFeedback(int cancelAfter) : cancelAfter_(cancelAfter) {}
  int ShowPlainMessage(const std::u16string&, const std::u16string&, unsigned) override { return 1; }
  void SetText(const std::u16string&) override {}
  void SetProgress(int32_t, int32_t) override { ++chunks_; }
  bool IsCancelled() override { return cancelAfter_ >= 0 && chunks_ >= cancelAfter_; }

 private:
  int cancelAfter_;
  int chunks_ = 0;
};

std::u16string Arg(const wchar_t* text) { return qp::FromWide(text); }

void Print(const gwax::UploadOutcome& outcome, bool withName) {
  if (!outcome.ok) {
    std::printf("failed\n");
    return;
  }
  const auto& a = outcome.answer;
  std::printf("ok %s %s %u%s%s\n", a.path.c_str(), a.key.c_str(), a.size, withName ? " " : "",
              withName ? a.name.c_str() : "");
}

int Trust(const wchar_t* file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream pem;
  pem << in.rdbuf();
  const std::string text = pem.str();
  DWORD size = 0;
  if (!CryptStringToBinaryA(text.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr)) {
    return 1;
  }
  std::string der(size, '\0');
  if (!CryptStringToBinaryA(text.c_str(), 0, CRYPT_STRING_BASE64HEADER, reinterpret_cast<BYTE*>(der.data()),
                            &size, nullptr, nullptr)) {
    return 1;
  }
  HCERTSTORE store = CertOpenSystemStoreW(0, L"ROOT");
  if (!store) return 1;
  const bool added = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING,
                                                      reinterpret_cast<const BYTE*>(der.data()), size,
                                                      CERT_STORE_ADD_REPLACE_EXISTING, nullptr) != FALSE;
  CertCloseStore(store, 0);
  return added ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  const std::wstring verb = argv[1];
  if (verb == L"upload" && (argc == 5 || argc == 6)) {
    CountingFeedback feedback(argc == 6 ? _wtoi(argv[5]) : -1);
    Print(gwax::UploadFile(Arg(argv[2]), Arg(argv[3]), Arg(argv[4]), &feedback), false);
    return 0;
  }
  if (verb == L"copy" && argc == 6) {
    Print(gwax::CopyByAddress(Arg(argv[2]), qp::Utf8FromUtf16(Arg(argv[3])), Arg(argv[4]), Arg(argv[5])),
          true);
    return 0;
  }
  if (verb == L"trust" && argc == 3) return Trust(argv[2]);
  return 2;
}
