// Both page scrapers over a 1 MB page: profile markup repeated, with every marker the scrapers
// look for, so that every line is tested against the whole marker table.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>

#include "shell/context.h"
#include "stats/stats.h"

namespace brinkmoor {
namespace {

std::string read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// A file of about 1 MB made of copies of a sample page; removed at the end.
class BigPage {
 public:
  explicit BigPage(const std::string& sample) {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() /
            ("brinkmoor-bench-page-" + std::to_string(rd()) + ".html");
    const std::string page = read(sample);
    if (page.empty()) throw std::runtime_error("missing sample page " + sample);
    std::string big;
    while (big.size() < (1u << 20)) big += page;
    std::ofstream(path_, std::ios::binary) << big;
    size_ = big.size();
  }
  ~BigPage() {
    std::error_code ec;
    std::filesystem::remove(path_, ec);
  }
  std::string path() const { return path_.string(); }
  size_t size() const { return size_; }

 private:
  std::filesystem::path path_;
  size_t size_ = 0;
};

void BM_ParseBloodwarsPage(benchmark::State& bench) {
  BigPage page(std::string(BRINKMOOR_EXAMPLE_DIR) + "/dane/bw_r7_123456.html");
  PlayerStats stats;
  for (auto _ : bench) benchmark::DoNotOptimize(parse_bloodwars_page(page.path(), stats));
  bench.SetBytesProcessed(static_cast<int64_t>(bench.iterations() * page.size()));
}
BENCHMARK(BM_ParseBloodwarsPage)->Unit(benchmark::kMillisecond);

void BM_ParseSc2Page(benchmark::State& bench) {
  BigPage page(std::string(BRINKMOOR_EXAMPLE_DIR) + "/dane/sc2_eu_2377239.html");
  PlayerStats stats;
  for (auto _ : bench) benchmark::DoNotOptimize(parse_sc2_page(page.path(), "Demon", stats));
  bench.SetBytesProcessed(static_cast<int64_t>(bench.iterations() * page.size()));
}
BENCHMARK(BM_ParseSc2Page)->Unit(benchmark::kMillisecond);

// A real 2012 profile page, 29 KB, repeated.
void BM_ParseRealSc2Page(benchmark::State& bench) {
  BigPage page(std::string(BRINKMOOR_BENCH_DATA) + "/stats/sc2_us_3354437_noladder.html");
  PlayerStats stats;
  for (auto _ : bench) benchmark::DoNotOptimize(parse_sc2_page(page.path(), "ClarkeKent", stats));
  bench.SetBytesProcessed(static_cast<int64_t>(bench.iterations() * page.size()));
}
BENCHMARK(BM_ParseRealSc2Page)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace brinkmoor

BENCHMARK_MAIN();
