// The list of subintervals in decreasing order of their error estimates,
// refiled after each bisection.
#include "integration/internal.h"
#include "integration/integration.h"

namespace zel::integration {

std::int32_t MaintainedLength(std::int32_t maxsub, std::int32_t nparts) {
  // Once more than half of the limit is used, every further bisection can
  // only be followed by fewer bisections: only that many leading positions
  // can still be asked for, so only they are kept in order.
  return nparts > maxsub / 2 + 2 ? maxsub + 3 - nparts : nparts;
}

void QORDER(std::int32_t maxsub, std::int32_t nparts, std::int32_t& maxidx, float& errbig,
            std::span<const float> suberr_elements, std::span<std::int32_t> errord_elements, std::int32_t& ordpos) {
  const OneBased<const float> suberr(suberr_elements);
  const OneBased<std::int32_t> errord(errord_elements);

  if (nparts <= 2) {
    // The core keeps the larger half at index 1.
    errord(1) = 1;
    errord(2) = 2;
  } else {
    const float larger = suberr(maxidx);
    const std::int32_t bisected = maxidx;

    // In the extrapolation phase the bisected subinterval came from a
    // position below the head: let it climb over entries with smaller
    // errors (an equal one stays in front).
    if (ordpos != 1) {
      const std::int32_t steps = ordpos - 1;
      for (std::int32_t step = 0; step < steps; ++step) {
        const std::int32_t above = errord(ordpos - 1);
        if (suberr(above) >= larger) break;
        errord(ordpos) = above;
        --ordpos;
      }
    }

    const std::int32_t j_last = MaintainedLength(maxsub, nparts);
    const float smaller = suberr(nparts);

    // File the larger half downwards from ordpos + 1, in front of entries
    // with an equal error.
    std::int32_t i = ordpos + 1;
    while (i <= j_last - 1 && !(larger >= suberr(errord(i)))) {
      errord(i - 1) = errord(i);
      ++i;
    }
    if (i > j_last - 1) {
      // No place within the maintained part: both halves go last.
      errord(j_last - 1) = bisected;
      errord(j_last) = nparts;
    } else {
      errord(i - 1) = bisected;
      // File the new subinterval upwards from the bottom of the maintained
      // part, just below the first entry with a strictly larger error.
      std::int32_t k = j_last - 1;
      bool placed = false;
      for (std::int32_t step = i; step <= j_last - 1; ++step) {
        const std::int32_t s = errord(k);
        if (smaller < suberr(s)) {
          errord(k + 1) = nparts;
          placed = true;
          break;
        }
        errord(k + 1) = s;
        --k;
      }
      if (!placed) errord(i) = nparts;
    }
  }

  maxidx = errord(ordpos);
  errbig = suberr(maxidx);
}

}  // namespace zel::integration
