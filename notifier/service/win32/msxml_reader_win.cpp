#include "notifier/service/win32/msxml_reader_win.h"

#include <shlwapi.h>

#include "common/win32/com_object_win.h"
#include "notifier/service/doctype_sniffer.h"
#include "notifier/service/win32/stream_object_win.h"

#include <string>
#include <vector>

namespace QPTSoap {
namespace {

// {079AA557-4A18-424A-8EEE-E39F0A8D41B9}
constexpr CLSID kSaxReaderClass = {
    0x079aa557, 0x4a18, 0x424a, {0x8e, 0xee, 0xe3, 0x9f, 0x0a, 0x8d, 0x41, 0xb9}};
// {A4F96ED0-F829-476E-81C0-CDC7BD2A0802}
constexpr IID kSaxReaderInterface = {
    0xa4f96ed0, 0xf829, 0x476e, {0x81, 0xc0, 0xcd, 0xc7, 0xbd, 0x2a, 0x08, 0x02}};

// The handler interfaces, which MinGW's import libraries do not define.
constexpr IID kContentHandler = {
    0x1545cdfa, 0x9e4e, 0x4497, {0xa8, 0xa4, 0x2b, 0xf7, 0xd0, 0x11, 0x2c, 0x44}};
constexpr IID kLexicalHandler = {
    0x7f85d5f5, 0x47a8, 0x4497, {0xbd, 0xa5, 0x84, 0xba, 0x04, 0x81, 0x9e, 0xa6}};
constexpr IID kDeclHandler = {
    0x862629ac, 0x771a, 0x47b2, {0x83, 0x37, 0x4e, 0x68, 0x43, 0xc1, 0xbe, 0x90}};

std::u16string_view View(const wchar_t* s, int n) {
  if (!s || n <= 0) return {};
  return {reinterpret_cast<const char16_t*>(s), static_cast<size_t>(n)};
}

// The handlers the reader calls during one parse. Parse takes them back
// from the reader when it ends; the count keeps the object alive for as
// long as the reader might still hold it.
class Adapter final
    : public qp::ComObject<Adapter, ISAXContentHandler, ISAXLexicalHandler, ISAXDeclHandler> {
 public:
  static constexpr qp::InterfaceEntry<Adapter> kInterfaces[] = {
      {&IID_IUnknown, &qp::InterfaceOf<Adapter, ISAXContentHandler>},
      {&kContentHandler, &qp::InterfaceOf<Adapter, ISAXContentHandler>},
      {&kLexicalHandler, &qp::InterfaceOf<Adapter, ISAXLexicalHandler>},
      {&kDeclHandler, &qp::InterfaceOf<Adapter, ISAXDeclHandler>}};

  explicit Adapter(SaxHandler& handler) : handler_(handler) {}

  bool failed() const { return failed_; }

  // ISAXContentHandler
  HRESULT WINAPI putDocumentLocator(ISAXLocator*) override { return S_OK; }
  HRESULT WINAPI startDocument() override { return S_OK; }
  HRESULT WINAPI endDocument() override { return S_OK; }
  HRESULT WINAPI startPrefixMapping(const wchar_t*, int, const wchar_t*, int) override {
    return S_OK;
  }
  HRESULT WINAPI endPrefixMapping(const wchar_t*, int) override { return S_OK; }
  HRESULT WINAPI startElement(const wchar_t* uri, int uri_len, const wchar_t* local,
                              int local_len, const wchar_t*, int,
                              ISAXAttributes* attributes) override {
    if (failed_ || ++depth_ > kMaxElementDepth) return Fail();
    int count = 0;
    if (attributes && FAILED(attributes->getLength(&count))) return Fail();
    attributes_.resize(static_cast<size_t>(count > 0 ? count : 0));
    for (int i = 0; i < count; ++i) {
      const wchar_t *a_uri = nullptr, *a_local = nullptr, *a_qname = nullptr, *value = nullptr;
      int a_uri_len = 0, a_local_len = 0, a_qname_len = 0, value_len = 0;
      if (FAILED(attributes->getName(i, &a_uri, &a_uri_len, &a_local, &a_local_len, &a_qname,
                                     &a_qname_len)) ||
          FAILED(attributes->getValue(i, &value, &value_len))) {
        return Fail();
      }
      SaxAttribute& a = attributes_[static_cast<size_t>(i)];
      a.ns = View(a_uri, a_uri_len);
      a.local = View(a_local, a_local_len);
      a.value = View(value, value_len);
      if (!Keep(a.value.size())) return Fail();
    }
    if (!handler_.StartElement(View(uri, uri_len), View(local, local_len), attributes_)) {
      return Fail();
    }
    return S_OK;
  }
  HRESULT WINAPI endElement(const wchar_t*, int, const wchar_t*, int, const wchar_t*,
                            int) override {
    if (failed_) return E_FAIL;
    --depth_;
    return handler_.EndElement() ? S_OK : Fail();
  }
  HRESULT WINAPI characters(const wchar_t* chars, int len) override {
    if (failed_ || !Keep(static_cast<size_t>(len > 0 ? len : 0))) return Fail();
    return handler_.Characters(View(chars, len)) ? S_OK : Fail();
  }
  HRESULT WINAPI ignorableWhitespace(const wchar_t*, int) override { return S_OK; }
  HRESULT WINAPI processingInstruction(const wchar_t*, int, const wchar_t*, int) override {
    return S_OK;
  }
  HRESULT WINAPI skippedEntity(const wchar_t*, int) override { return Fail(); }

  // ISAXLexicalHandler: a DTD from the server is never read.
  HRESULT WINAPI startDTD(const wchar_t*, int, const wchar_t*, int, const wchar_t*,
                          int) override {
    return Fail();
  }
  HRESULT WINAPI endDTD() override { return Fail(); }
  HRESULT WINAPI startEntity(const wchar_t*, int) override { return Fail(); }
  HRESULT WINAPI endEntity(const wchar_t*, int) override { return Fail(); }
  HRESULT WINAPI startCDATA() override { return S_OK; }
  HRESULT WINAPI endCDATA() override { return S_OK; }
  HRESULT WINAPI comment(const wchar_t*, int) override { return S_OK; }

  // ISAXDeclHandler: any declaration fails.
  HRESULT WINAPI elementDecl(const wchar_t*, int, const wchar_t*, int) override {
    return Fail();
  }
  HRESULT WINAPI attributeDecl(const wchar_t*, int, const wchar_t*, int, const wchar_t*, int,
                               const wchar_t*, int, const wchar_t*, int) override {
    return Fail();
  }
  HRESULT WINAPI internalEntityDecl(const wchar_t*, int, const wchar_t*, int) override {
    return Fail();
  }
  HRESULT WINAPI externalEntityDecl(const wchar_t*, int, const wchar_t*, int, const wchar_t*,
                                    int) override {
    return Fail();
  }

 private:
  HRESULT Fail() {
    failed_ = true;
    return E_FAIL;
  }
  bool Keep(size_t units) {
    kept_ += units * sizeof(wchar_t);
    return kept_ <= kMaxResponseAllocation;
  }

  SaxHandler& handler_;
  bool failed_ = false;
  int depth_ = 0;
  size_t kept_ = 0;
  std::vector<SaxAttribute> attributes_;
};

// Passes reads through to the body. Fails them once more than the cap has
// come, so that an endless answer ends, and at a document type
// declaration, which the reader would take in without telling the handlers.
class GuardedStream final : public StreamObject<GuardedStream> {
 public:
  explicit GuardedStream(IStream* body) : body_(qp::ComPtr<IStream>::Share(body)) {}

  bool refused() const { return refused_; }

  HRESULT WINAPI Read(void* buffer, ULONG size, ULONG* read) override {
    ULONG got = 0;
    const HRESULT hr = body_->Read(buffer, size, &got);
    if (read) *read = got;
    total_ += got;
    if (total_ > kMaxResponseAllocation ||
        doctype_.Feed(std::string_view(static_cast<const char*>(buffer), got))) {
      refused_ = true;
    }
    if (refused_) {
      if (read) *read = 0;
      return E_FAIL;
    }
    return hr;
  }

 private:
  qp::ComPtr<IStream> body_;
  size_t total_ = 0;
  DoctypeSniffer doctype_;
  bool refused_ = false;
};

VARIANT UnknownVariant(IUnknown* unknown) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_UNKNOWN;
  v.punkVal = unknown;
  return v;
}

HRESULT PutHandlerProperty(ISAXXMLReader* reader, const wchar_t* name, IUnknown* handler) {
  return reader->putProperty(name, UnknownVariant(handler));
}

constexpr wchar_t kLexicalHandlerProperty[] = L"http://xml.org/sax/properties/lexical-handler";
constexpr wchar_t kDeclarationHandlerProperty[] = L"http://xml.org/sax/properties/declaration-handler";

}  // namespace

HRESULT MsxmlReader::Create() {
  if (reader_) return S_OK;
  const HRESULT hr = CoCreateInstance(kSaxReaderClass, nullptr, CLSCTX_INPROC_SERVER,
                                      kSaxReaderInterface,
                                      reinterpret_cast<void**>(reader_.Put()));
  if (FAILED(hr)) return hr;
  // Switches a reader may not know or honour: the handlers below still
  // catch any DTD.
  reader_->putFeature(L"http://xml.org/sax/features/namespaces", VARIANT_TRUE);
  reader_->putFeature(L"http://xml.org/sax/features/namespace-prefixes", VARIANT_FALSE);
  reader_->putFeature(L"prohibit-dtd", VARIANT_TRUE);
  reader_->putFeature(L"http://xml.org/sax/features/external-general-entities", VARIANT_FALSE);
  reader_->putFeature(L"http://xml.org/sax/features/external-parameter-entities", VARIANT_FALSE);
  return S_OK;
}

bool MsxmlReader::Parse(IStream* body, SaxHandler& handler) {
  if (!reader_ || !body) return false;
  auto adapter = qp::ComPtr<Adapter>::Adopt(new Adapter(handler));
  auto guarded = qp::ComPtr<GuardedStream>::Adopt(new GuardedStream(body));
  bool ok = SUCCEEDED(reader_->putContentHandler(adapter.Get())) &&
            SUCCEEDED(PutHandlerProperty(reader_.Get(), kLexicalHandlerProperty,
                                         static_cast<ISAXLexicalHandler*>(adapter.Get()))) &&
            SUCCEEDED(PutHandlerProperty(reader_.Get(), kDeclarationHandlerProperty,
                                         static_cast<ISAXDeclHandler*>(adapter.Get())));
  if (ok) ok = SUCCEEDED(reader_->parse(UnknownVariant(static_cast<IStream*>(guarded.Get()))));
  // The handler refers to the caller's SaxHandler: no later call may reach it.
  reader_->putContentHandler(nullptr);
  PutHandlerProperty(reader_.Get(), kLexicalHandlerProperty, nullptr);
  PutHandlerProperty(reader_.Get(), kDeclarationHandlerProperty, nullptr);
  return ok && !adapter->failed() && !guarded->refused();
}

bool MsxmlReader::ParseBytes(std::string_view bytes, SaxHandler& handler) {
  if (bytes.size() > kMaxResponseAllocation) return false;
  auto stream = qp::ComPtr<IStream>::Adopt(
      SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<UINT>(bytes.size())));
  if (!stream) return false;
  return Parse(stream.Get(), handler);
}

}  // namespace QPTSoap
