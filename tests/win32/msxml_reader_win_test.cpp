// The system's SAX reader through the same decoder and vectors as expat.
#include "tests/support/hostile_documents.h"  // winsock2.h before windows.h
#include "notifier/service/win32/msxml_reader_win.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "tests/support/soap_vectors.h"

namespace QPTSoap {
namespace {

class ComApartment {
 public:
  ComApartment() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  HRESULT hr() const { return hr_; }

 private:
  HRESULT hr_;
};

class MsxmlReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(com_.hr())) << std::hex << com_.hr();
    const HRESULT hr = reader_.Create();
    ASSERT_TRUE(SUCCEEDED(hr)) << "creating the SAX reader: 0x" << std::hex << hr;
  }

  std::string Decode(int op, const std::string& doc) {
    return testing::DecodeToText(op, [&](ResponseDecoder& d) { return reader_.ParseBytes(doc, d); });
  }

  ComApartment com_;
  MsxmlReader reader_;
};

// Wine maps the Linux file system to drive Z:.
std::string DataDir() { return std::string("Z:") + QP_SOAP_VECTORS_DIR; }

TEST_F(MsxmlReaderTest, VectorsDecodeAsThroughExpat) {
  std::string error;
  const auto vectors = testing::LoadVectors(DataDir(), error);
  ASSERT_FALSE(vectors.empty()) << error;
  for (const auto& v : vectors) {
    std::string doc;
    ASSERT_TRUE(testing::ReadFile(DataDir() + "/" + v.file, doc)) << v.file;
    EXPECT_EQ(Decode(v.operation, doc), v.ok ? v.json : "fail") << v.file;
  }
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
