// Checks the free-form real text of every 32-bit pattern (or every
// stride-th one) against the independent reference. Exits 0 when all agree.
//
//   realtext_sweep            all 2^32 patterns, on every core
//   realtext_sweep 97         every 97th pattern (a quick run)
#include <atomic>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "recio/realtext.h"
#include "tests/exhaustive/realtext_oracle.h"

int main(int argc, char** argv) {
  const std::uint64_t stride = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1;
  if (stride == 0) return 2;
  const unsigned workers = std::max(1u, std::thread::hardware_concurrency());
  std::atomic<std::uint64_t> mismatches{0};
  std::atomic<std::uint64_t> checked{0};

  auto sweep = [&](unsigned worker) {
    std::uint64_t local_checked = 0;
    for (std::uint64_t i = std::uint64_t{worker} * stride; i <= 0xFFFFFFFFull; i += std::uint64_t{workers} * stride) {
      const auto bits = static_cast<std::uint32_t>(i);
      const std::string actual = zel::recio::RealText(std::bit_cast<float>(bits));
      const std::string expected = zel::test::OracleRealText(bits);
      ++local_checked;
      if (actual != expected && mismatches.fetch_add(1) < 20) {
        std::fprintf(stderr, "0x%08X: %s, expected %s\n", bits, actual.c_str(), expected.c_str());
      }
    }
    checked += local_checked;
  };
  std::vector<std::thread> threads;
  for (unsigned w = 0; w < workers; ++w) threads.emplace_back(sweep, w);
  for (std::thread& t : threads) t.join();

  std::printf("%llu patterns checked, %llu mismatches\n", static_cast<unsigned long long>(checked.load()),
              static_cast<unsigned long long>(mismatches.load()));
  return mismatches.load() == 0 ? 0 : 1;
}
