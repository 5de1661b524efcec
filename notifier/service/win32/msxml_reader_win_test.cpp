// The system's SAX reader through the same decoder and vectors as expat.
#include "tests/support/hostile_documents.h"  // winsock2.h before windows.h
#include "notifier/service/win32/msxml_reader_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "common/win32/com_init_win.h"
#include "notifier/service/win32/stream_object_win.h"
#include "tests/support/soap_vectors.h"

namespace QPTSoap {
namespace {

class MsxmlReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(com_.Result())) << std::hex << com_.Result();
    const HRESULT hr = reader_.Create();
    ASSERT_TRUE(SUCCEEDED(hr)) << "creating the SAX reader: 0x" << std::hex << hr;
  }

  std::string Decode(int op, const std::string& doc) {
    return testing::DecodeToText(op, [&](ResponseDecoder& d) { return reader_.ParseBytes(doc, d); });
  }

  qp::ComInitialization com_;
  MsxmlReader reader_;
};

// A read-only stream that hands out a few bytes per Read, as a network body
// does; endless when `bytes` runs out and `endless` is set (then it repeats
// blanks).
class PieceStream final : public StreamObject<PieceStream> {
 public:
  static qp::ComPtr<PieceStream> Make(const std::string& bytes, ULONG step, bool endless = false) {
    return qp::ComPtr<PieceStream>::Adopt(new PieceStream(bytes, step, endless));
  }

  HRESULT WINAPI Read(void* buffer, ULONG size, ULONG* read) override {
    ULONG n = size < step_ ? size : step_;
    char* out = static_cast<char*>(buffer);
    if (at_ < bytes_.size()) {
      n = static_cast<ULONG>(bytes_.copy(out, n, at_));
    } else if (endless_) {
      std::fill(out, out + n, ' ');
    } else {
      n = 0;
    }
    at_ += n;
    if (read) *read = n;
    return n < size ? S_FALSE : S_OK;
  }

  size_t served() const { return at_; }

 private:
  PieceStream(const std::string& bytes, ULONG step, bool endless)
      : bytes_(bytes), step_(step), endless_(endless) {}

  const std::string& bytes_;
  ULONG step_;
  bool endless_;
  size_t at_ = 0;
};

// Wine maps the Linux file system to drive Z:.
std::string DataDir() { return std::string("Z:") + QP_SOAP_VECTORS_DIR; }

TEST_F(MsxmlReaderTest, VectorsDecodeAsThroughExpat) {
  const std::string error =
      testing::ForEachVector(DataDir(), [&](const testing::Vector& v, const std::string& doc) {
        EXPECT_EQ(Decode(v.operation, doc), testing::Expected(v)) << v.file;
      });
  EXPECT_EQ(error, "");
}

TEST_F(MsxmlReaderTest, BodiesArriveInPieces) {
  const std::string error =
      testing::ForEachVector(DataDir(), [&](const testing::Vector& v, const std::string& doc) {
        const std::string got = testing::DecodeToText(v.operation, [&](ResponseDecoder& d) {
          return reader_.Parse(PieceStream::Make(doc, 7).Get(), d);
        });
        EXPECT_EQ(got, testing::Expected(v)) << v.file;
      });
  EXPECT_EQ(error, "");
  // A DOCTYPE split between two reads is still found.
  const std::string dtd =
      "<!DOCTYPE e:Envelope SYSTEM \"http://127.0.0.1:9/d\"><e:Envelope "
      "xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Body><r/></e:Body></e:Envelope>";
  for (ULONG step : {1u, 3u, 5u}) {
    EXPECT_EQ(testing::DecodeToText(kCheckAuth, [&](ResponseDecoder& d) {
                return reader_.Parse(PieceStream::Make(dtd, step).Get(), d);
              }),
              "fail")
        << "pieces of " << step;
  }
}

TEST_F(MsxmlReaderTest, EndlessBodyEndsAtTheCap) {
  const std::string start =
      "<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Body><r><result>";
  size_t served = 0;
  EXPECT_EQ(testing::DecodeToText(kCheckAuth, [&](ResponseDecoder& d) {
              auto stream = PieceStream::Make(start, 64 * 1024, true);
              const bool ok = reader_.Parse(stream.Get(), d);
              served = stream->served();
              return ok;
            }),
            "fail");
  // Whichever cap ends it (blanks count as text kept), it ends near one.
  std::printf("an endless body ended after %zu bytes\n", served);
  EXPECT_LT(served, kMaxResponseAllocation + (1u << 20));
}

TEST_F(MsxmlReaderTest, OneReaderServesManyParses) {
  const std::string doc =
      "<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Body><r>"
      "<result>active</result></r></e:Body></e:Envelope>";
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(Decode(kCheckAuth, "<broken"), "fail");
    EXPECT_EQ(Decode(kCheckAuth, doc), "{\"result\":\"active\"}");
  }
}

TEST_F(MsxmlReaderTest, HostileAnswersFailWithoutFetching) {
  testing::LoopbackListener listener;
  ASSERT_NE(listener.port(), 0);
  ASSERT_TRUE(listener.CountsAConnection());
  for (const auto& [label, doc] : testing::HostileDocuments(listener.port())) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Decode(kCheckAuth, doc), "fail") << label;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start).count();
    std::printf("%s: failed after %lld ms\n", label.c_str(), static_cast<long long>(ms));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(listener.hits(), 1) << "the reader connected to the listener";
}

}  // namespace
}  // namespace QPTSoap
