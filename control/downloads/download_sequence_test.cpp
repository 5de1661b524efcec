#include "control/downloads/download_sequence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace gwax {
namespace {

std::string Narrow(std::u16string_view s) { return std::string(s.begin(), s.end()); }

struct Response {
  uint32_t status = 200;
  std::string body;
  bool announceLength = true;
  size_t announcedExtra = 0;      // Content-Length above the body: a cut transfer
  size_t readErrorAfter = SIZE_MAX;
};

// Ports that answer from tables and write down what the sequence asked.
class FakePorts : public DownloadPorts {
 public:
  std::optional<std::u16string> folder = u"C:\\Save\\";
  std::optional<uint64_t> freeBytes;
  std::map<std::u16string, Response> web;
  std::map<std::u16string, std::string> files;  // path -> content
  std::vector<int> answers;                     // message box answers, in turn
  std::u16string writesFailFor;  // path
  std::u16string closeFailsFor;
  bool progressWindow = true;
  std::vector<std::string> events;
  std::vector<std::pair<int32_t, int32_t>> progress;

  std::optional<std::u16string> PickFolder(const std::u16string& title) override {
    events.push_back("pick " + Narrow(title));
    return folder;
  }
  std::optional<uint64_t> FreeBytes(const std::u16string& root) override {
    events.push_back("free " + Narrow(root));
    return freeBytes;
  }
  bool Exists(const std::u16string& path) override { return files.count(path) != 0; }
  int Message(const std::u16string& text, const std::u16string& caption, int buttons) override {
    events.push_back("message " + Narrow(caption) + ": " + Narrow(text) + " " + std::to_string(buttons));
    if (answers.empty()) return 1;
    const int answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  }
  std::unique_ptr<Transfer> Open(const std::u16string& address) override;
  std::unique_ptr<FileSink> Create(const std::u16string& path) override;
  void Remove(const std::u16string& path) override {
    events.push_back("remove " + Narrow(path));
    files.erase(path);
  }
  void ShowProgress() override { events.push_back("progress shown"); }
  bool ProgressShown() override { return progressWindow; }
  void SetProgress(int32_t done, int32_t range) override { progress.emplace_back(done, range); }
  void CloseProgress() override { events.push_back("progress closed"); }
};

class FakeTransfer : public Transfer {
 public:
  explicit FakeTransfer(const Response& response) : response_(response) {}
  uint32_t Status() override { return response_.status; }
  std::optional<uint64_t> ContentLength() override {
    if (!response_.announceLength) return std::nullopt;
    return response_.body.size() + response_.announcedExtra;
  }
  std::optional<size_t> Read(char* buffer, size_t capacity) override {
    if (at_ >= response_.readErrorAfter) return std::nullopt;
    const size_t count = std::min(capacity, response_.body.size() - at_);
    response_.body.copy(buffer, count, at_);
    at_ += count;
    return count;
  }

 private:
  Response response_;
  size_t at_ = 0;
};

class FakeFile : public FileSink {
 public:
  FakeFile(FakePorts& ports, std::u16string path) : ports_(ports), path_(std::move(path)) {}
  bool Write(const char* bytes, size_t count) override {
    if (path_ == ports_.writesFailFor) return false;
    ports_.files[path_].append(bytes, count);
    return true;
  }
  bool Close() override { return path_ != ports_.closeFailsFor; }

 private:
  FakePorts& ports_;
  std::u16string path_;
};

std::unique_ptr<Transfer> FakePorts::Open(const std::u16string& address) {
  events.push_back("open " + Narrow(address));
  auto found = web.find(address);
  if (found == web.end()) return nullptr;
  return std::make_unique<FakeTransfer>(found->second);
}

std::unique_ptr<FileSink> FakePorts::Create(const std::u16string& path) {
  events.push_back("create " + Narrow(path));
  if (path.find(u"<unwritable>") != std::u16string::npos) return nullptr;
  files[path].clear();
  return std::make_unique<FakeFile>(*this, path);
}

DownloadList ListOf(std::vector<std::pair<std::u16string, uint32_t>> entries) {
  DownloadList list;
  for (auto& [name, size] : entries) {
    list.addresses.push_back(u"http://h/" + name);
    list.names.push_back(name);
    list.sizes.push_back(size);
  }
  return list;
}

const char kFailed[] = "message Quillpost: Download failed. 0";

TEST(DownloadSequence, SavesEveryFileWithOneProgressDialog) {
  FakePorts ports;
  const std::string big(10000, 'x');
  ports.web = {{u"http://h/a.txt", {200, "alpha"}}, {u"http://h/b.bin", {200, big}},
               {u"http://h/c.txt", {200, ""}}};
  RunDownloads(ListOf({{u"a.txt", 5}, {u"b.bin", 10000}, {u"c.txt", 0}}), ports);
  EXPECT_EQ(ports.events, (std::vector<std::string>{
                              "pick Choose the destination folder for a.txt, b.bin and c.txt",
                              "free C:\\", "open http://h/a.txt", "create C:\\Save\\a.txt",
                              "progress shown", "open http://h/b.bin", "create C:\\Save\\b.bin",
                              "open http://h/c.txt", "create C:\\Save\\c.txt", "progress closed"}));
  EXPECT_EQ(ports.files[u"C:\\Save\\a.txt"], "alpha");
  EXPECT_EQ(ports.files[u"C:\\Save\\b.bin"], big);
  EXPECT_EQ(ports.files[u"C:\\Save\\c.txt"], "");
  // After each piece: the running total out of the listed total.
  const std::vector<std::pair<int32_t, int32_t>> want = {{5, 10005}, {4101, 10005}, {8197, 10005},
                                                         {10005, 10005}};
  EXPECT_EQ(ports.progress, want);
}

TEST(DownloadSequence, CancelledFolderOrTooLittleSpaceDownloadsNothing) {
  FakePorts cancelled;
  cancelled.folder = std::nullopt;
  RunDownloads(ListOf({{u"a.txt", 1}}), cancelled);
  EXPECT_EQ(cancelled.events.size(), 1u) << "only the folder browser";

  // 1.5 MB and 2 KB need more than 1,574,912 free bytes.
  for (uint64_t free : {uint64_t{1574912}, uint64_t{0}}) {
    FakePorts full;
    full.freeBytes = free;
    RunDownloads(ListOf({{u"a", 1572864}, {u"b", 2048}}), full);
    EXPECT_EQ(full.events.back(), "message Quillpost: Not enough disk space. 0") << free;
    EXPECT_EQ(full.events.size(), 3u) << "nothing opened";
  }
  FakePorts roomy;
  roomy.freeBytes = 1574913;
  roomy.web = {{u"http://h/a", {}}, {u"http://h/b", {}}};
  RunDownloads(ListOf({{u"a", 1572864}, {u"b", 2048}}), roomy);
  EXPECT_EQ(roomy.files.size(), 2u);

  // Past 4 GiB the total is not cut to 32 bits.
  FakePorts huge;
  huge.freeBytes = 5ull << 30;
  RunDownloads(ListOf({{u"a", 0xFFFFFFFFu}, {u"b", 0xFFFFFFFFu}}), huge);
  EXPECT_EQ(huge.events.back(), "message Quillpost: Not enough disk space. 0");
}

TEST(DownloadSequence, DeclinedOverwriteSkipsOnlyThatFile) {
  FakePorts ports;
  ports.web = {{u"http://h/a", {200, "new a"}}, {u"http://h/b", {200, "new b"}},
               {u"http://h/c", {200, "new c"}}};
  ports.files = {{u"C:\\Save\\b", "old b"}, {u"C:\\Save\\c", "old c"}};
  ports.answers = {2, 1};  // Cancel for b, OK for c
  RunDownloads(ListOf({{u"a", 0}, {u"b", 0}, {u"c", 0}}), ports);
  EXPECT_EQ(ports.files[u"C:\\Save\\a"], "new a");
  EXPECT_EQ(ports.files[u"C:\\Save\\b"], "old b");
  EXPECT_EQ(ports.files[u"C:\\Save\\c"], "new c");
  EXPECT_EQ(std::count(ports.events.begin(), ports.events.end(),
                       "message Warning: The file 'b' already exists. Press OK to overwrite the "
                       "existing file. 1"),
            1);
}

// Every way the second of three files can fail: one message, the third
// not tried, no file left under the second one's name.
TEST(DownloadSequence, FailureStopsTheRestAndLeavesNoPartialFile) {
  struct Case {
    const char* label;
    std::u16string secondAddress;
    Response second;
    bool writesFail = false;
    bool closeFails = false;
    bool created;  // the file was made before the failure
  };
  const std::string body(9000, 'b');
  const Case cases[] = {
      {"not found", u"http://h/b", {404, "<html>Not Found</html>"}, false, false, false},
      {"server error", u"http://h/b", {500, "<html>error</html>"}, false, false, false},
      {"can't be opened", u"http://h/unknown", {}, false, false, false},
      {"local file", u"file:///C:/Windows/win.ini", {}, false, false, false},
      {"ftp", u"ftp://h/b", {}, false, false, false},
      {"can't be created", u"http://h/b", {}, false, false, false},
      {"read error", u"http://h/b", {200, body, true, 0, 4096}, false, false, true},
      {"cut short", u"http://h/b", {200, body, true, 100}, false, false, true},
      {"write fails", u"http://h/b", {200, body}, true, false, true},
      {"close fails", u"http://h/b", {200, body}, false, true, true},
  };
  for (const auto& c : cases) {
    FakePorts ports;
    ports.web = {{u"http://h/a", {200, "a"}}, {u"http://h/b", c.second}, {u"http://h/c", {200, "c"}}};
    DownloadList list = ListOf({{u"a", 0}, {u"b", 0}, {u"c", 0}});
    list.addresses[1] = c.secondAddress;
    if (std::string(c.label) == "can't be created") list.names[1] = u"<unwritable>";
    if (c.writesFail) ports.writesFailFor = u"C:\\Save\\b";
    if (c.closeFails) ports.closeFailsFor = u"C:\\Save\\b";
    RunDownloads(list, ports);
    EXPECT_EQ(ports.files[u"C:\\Save\\a"], "a") << c.label;
    EXPECT_EQ(ports.files.count(u"C:\\Save\\b"), 0u) << c.label << ": partial file left";
    EXPECT_EQ(ports.files.count(u"C:\\Save\\c"), 0u) << c.label;
    EXPECT_EQ(std::count(ports.events.begin(), ports.events.end(), kFailed), 1) << c.label;
    EXPECT_EQ(std::count(ports.events.begin(), ports.events.end(), "open http://h/c"), 0) << c.label;
    EXPECT_EQ(std::count(ports.events.begin(), ports.events.end(), "remove C:\\Save\\b"),
              c.created ? 1 : 0)
        << c.label;
    EXPECT_EQ(ports.events.back(), "progress closed") << c.label;
  }
}

TEST(DownloadSequence, RangeFromContentLengthWhenNoSizesAreListed) {
  FakePorts ports;
  ports.web = {{u"http://h/a", {200, std::string(5000, 'a')}},
               {u"http://h/b", {200, std::string(100, 'b'), false}}};
  RunDownloads(ListOf({{u"a", 0}, {u"b", 0}}), ports);
  const std::vector<std::pair<int32_t, int32_t>> want = {{4096, 5000}, {5000, 5000}, {0, 0}};
  EXPECT_EQ(ports.progress, want) << "the second has no length: an empty bar, no division";

  // A progress window the user closed gets no updates; the files still come.
  FakePorts closed;
  closed.web = ports.web;
  closed.progressWindow = false;
  RunDownloads(ListOf({{u"a", 0}, {u"b", 0}}), closed);
  EXPECT_TRUE(closed.progress.empty());
  EXPECT_EQ(closed.files[u"C:\\Save\\b"], std::string(100, 'b'));
}

// A repaint per piece would cost more than the transfer: the bar is
// updated when it moves by a hundredth, and ends full.
TEST(DownloadSequence, ProgressUpdatesFollowTheBarNotThePieces) {
  FakePorts ports;
  const size_t size = 8 * 1024 * 1024 + 123;
  ports.web = {{u"http://h/big", {200, std::string(size, 'x')}}};
  RunDownloads(ListOf({{u"big", 0}}), ports);
  ASSERT_FALSE(ports.progress.empty());
  EXPECT_LE(ports.progress.size(), 101u);
  EXPECT_GE(ports.progress.size(), 95u) << "every step still shows";
  EXPECT_EQ(ports.progress.back(), std::make_pair(int32_t(size), int32_t(size)));
  EXPECT_EQ(ports.files[u"C:\\Save\\big"].size(), size);
}

TEST(DownloadSequence, EmptyListAsksNothing) {
  FakePorts ports;
  RunDownloads(DownloadList{}, ports);
  EXPECT_TRUE(ports.events.empty());
}

}  // namespace
}  // namespace gwax
