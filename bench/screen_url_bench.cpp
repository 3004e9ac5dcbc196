// ScreenUrl's own work over realistic URLs, with the key state and the pattern list supplied
// by the seam, so the figure is the decision alone. Reports heap allocations per URL too.
//   build/native/bench/screen_url_bench
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>

#include "screening/monitor_flags.h"
#include "screening/screen_url.h"

extern "C" void* __real_malloc(size_t size);
static size_t g_allocations = 0;
extern "C" void* __wrap_malloc(size_t size) {
  ++g_allocations;
  return __real_malloc(size);
}

namespace {

constexpr char kPatterns[] =
    ".zip;.rar;.r[0-9][0-9];.7z;.exe;.msi;.iso;.mp3;.mp[4g];.avi;.mkv;.tar;.gz;.bz2;.xz;.pdf;.doc?";

class SuppliedPlatform final : public ScreeningPlatform {
 public:
  bool IsKeyDown(ScreenKey) const noexcept override { return false; }
  int ReadMonitorTypes(char* buffer, unsigned long* size) const noexcept override {
    std::memcpy(buffer, kPatterns, sizeof(kPatterns));
    *size = sizeof(kPatterns);
    return 1;
  }
  void LowerCase(char* text, unsigned long length) const noexcept override {
    for (unsigned long i = 0; i < length; ++i) {
      const unsigned char c = static_cast<unsigned char>(text[i]);
      text[i] = static_cast<char>(c | (static_cast<unsigned char>(c - 'A') < 26u ? 0x20 : 0));
    }
  }
};

const char* const kUrls[] = {
    "http://downloads.example.com/releases/v2.4.1/setup-2.4.1-x86.exe",
    "https://www.example.org/news/2026/12/index.html",
    "http://cdn.example.net/assets/app.min.js",
    "ftp://ftp.example.com/pub/linux/distro/images/netinst-12.4.iso",
    "http://example.com/download.php?id=4711&file=report.pdf",
    "http://mirror.example.edu/archive/music/album/track07.MP3",
    "http://www.example.com/",
    "http://files.example.com/backups/2026-12-01/data.tar.gz",
    "http://example.com/images/photo_0042.jpg",
    "http://example.com/parts/movie.part.r07",
};

void BM_ScreenUrl(benchmark::State& state) {
  SuppliedPlatform platform;
  size_t urls = 0;
  const size_t allocationsBefore = g_allocations;
  for (auto _ : state) {
    for (const char* url : kUrls) {
      benchmark::DoNotOptimize(ScreenUrlWith(platform, url, 1, MONITOR_BROWSER | MONITOR_QUERY_URLS));
      ++urls;
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(urls));
  state.counters["ns_per_url"] = benchmark::Counter(static_cast<double>(urls), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["allocs_per_url"] = static_cast<double>(g_allocations - allocationsBefore) / static_cast<double>(urls);
}
BENCHMARK(BM_ScreenUrl);

}  // namespace

BENCHMARK_MAIN();
