// The rewrite of a large copied document before a paste (about 10 MB of
// CF_HTML with 1,000 local pictures, each given a long upload address)
// against a memchr scan of the same bytes for "<", about the least any
// reader of the HTML has to do. Prints the best rate of each and their ratio.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "control/clipboard/cf_html.h"

namespace {

constexpr int kPictures = 1000;

std::string Number(size_t value, int digits) {
  char text[32];
  std::snprintf(text, sizeof text, "%0*zu", digits, value);
  return text;
}

// A long mail or document as Word puts it on the clipboard: paragraphs with
// inline markup and a picture every ten kilobytes or so.
std::string LargeBlock() {
  const std::string paragraph =
      "<p class=MsoNormal style='margin-bottom:6.0pt;line-height:115%'><span lang=EN-GB>On the "
      "third day we took the early ferry to the island, walked the coastal path past the "
      "lighthouse and had lunch in the harbour &#8211; <b>grilled sardines</b>, bread and a jug of "
      "the local white. The weather held until four, when a squall came in from the west and we "
      "sheltered in the chapel for an hour.</span><o:p></o:p></p>\r\n";
  const std::string before =
      "<html xmlns:o=\"urn:schemas-microsoft-com:office:office\">\r\n<head>\r\n"
      "<meta http-equiv=Content-Type content=\"text/html; charset=utf-8\">\r\n</head>\r\n"
      "<body lang=EN-US>\r\n<!--StartFragment-->";
  std::string fragment;
  fragment.reserve(10'500'000);
  for (int i = 0; i < kPictures; ++i) {
    while (fragment.size() < static_cast<size_t>(i + 1) * 10'000) fragment += paragraph;
    fragment += "<p class=MsoNormal><img width=640 height=480 id=\"Picture_" + std::to_string(i) +
                "\" src=\"file:///C:/Users/ann/Pictures/holiday-" + Number(i, 4) +
                ".jpg\" alt=\"Holiday " + std::to_string(i) + "\"></p>\r\n";
  }
  const std::string after = "<!--EndFragment-->\r\n</body>\r\n</html>\r\n";

  const auto header = [](size_t startHtml, size_t endHtml, size_t startFragment,
                         size_t endFragment) {
    return "Version:1.0\r\nStartHTML:" + Number(startHtml, 10) +
           "\r\nEndHTML:" + Number(endHtml, 10) + "\r\nStartFragment:" + Number(startFragment, 10) +
           "\r\nEndFragment:" + Number(endFragment, 10) + "\r\n";
  };
  const size_t startHtml = header(0, 0, 0, 0).size();
  const size_t startFragment = startHtml + before.size();
  const size_t endFragment = startFragment + fragment.size();
  return header(startHtml, endFragment + after.size(), startFragment, endFragment) + before +
         fragment + after + '\0';
}

// The rewrite puts the "vml" words of the block it is given out of play in
// place; this block has none, so every round rewrites the same bytes.
std::string& Block() {
  static std::string block = LargeBlock();
  return block;
}

gwax::AddressDecision UploadAddress(std::string_view address) {
  static int next = 0;
  if (address.substr(0, 7) != "file://") return {};
  const int id = 100000 + next++ % 900000;
  return {gwax::AddressDecision::Kind::kReplaced,
          "https://mail.quillpost.com/download.php?id=" + std::to_string(id) +
              "&key=7f3a9c2e5b1d4f608e2a7c9b3d5f1e4a&name=holiday.jpg"};
}

void Rewrite(benchmark::State& state) {
  const gwax::DecideAddress decide = UploadAddress;
  for (auto _ : state) {
    const std::optional<gwax::HtmlRewrite> rewrite = gwax::RewriteCfHtml(Block(), decide);
    if (!rewrite || rewrite->changes != kPictures) {
      state.SkipWithError("the block was not rewritten");
      break;
    }
    benchmark::DoNotOptimize(rewrite->html.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Block().size()));
}

void ScanForTags(benchmark::State& state) {
  const char* const begin = Block().data();
  const char* const end = begin + Block().size();
  for (auto _ : state) {
    size_t tags = 0;
    for (const char* p = begin; (p = static_cast<const char*>(std::memchr(p, '<', end - p))); ++p)
      ++tags;
    benchmark::DoNotOptimize(tags);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Block().size()));
}

BENCHMARK(Rewrite)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(ScanForTags)->Unit(benchmark::kMillisecond)->Repetitions(5);

// Keeps the best rate of each benchmark's repetitions.
class BestRates : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const auto rate = run.counters.find("bytes_per_second");
      if (run.run_type != Run::RT_Iteration || run.error_occurred || rate == run.counters.end())
        continue;
      double& best = best_[run.run_name.function_name];
      best = std::max(best, rate->second.value);
    }
  }
  double Best(const std::string& name) const {
    const auto it = best_.find(name);
    return it == best_.end() ? 0 : it->second;
  }

 private:
  std::map<std::string, double> best_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  BestRates reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  const double rewrite = reporter.Best("Rewrite") / 1e6, scan = reporter.Best("ScanForTags") / 1e6;
  std::printf("\nblock %.1f MB, %d pictures; best of the repetitions, MB = 10^6 bytes\n",
              Block().size() / 1e6, kPictures);
  std::printf("rewrite %8.0f MB/s\nscan    %8.0f MB/s\nscan / rewrite %.2f\n", rewrite, scan,
              rewrite > 0 ? scan / rewrite : 0.0);
  return 0;
}
