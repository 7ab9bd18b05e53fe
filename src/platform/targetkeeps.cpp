#include "platform/targetkeeps.h"

#include <cstdlib>

namespace tarnwell {

std::optional<std::chrono::nanoseconds> resolutionReadBack(std::int64_t givenSeconds,
                                                           std::uint32_t givenNanoseconds,
                                                           std::int64_t readSeconds,
                                                           std::uint32_t readNanoseconds)
{
    using std::chrono::nanoseconds;
    if (givenSeconds == readSeconds && givenNanoseconds == readNanoseconds)
        return nanoseconds{0};
    const std::int64_t seconds = readSeconds - givenSeconds;
    if (seconds > 10 || seconds < -10)
        return std::nullopt;
    const std::int64_t apart = std::llabs(seconds * 1'000'000'000 + std::int64_t{readNanoseconds} -
                                          std::int64_t{givenNanoseconds});
    // Coarsest first: a time on the 2 s grid lies on every finer one too.
    constexpr std::int64_t kSteps[] = {2'000'000'000, 1'000'000'000, 10'000'000,
                                       1'000'000,     1'000,         100};
    for (const std::int64_t step : kSteps) {
        const bool onGrid = step >= 1'000'000'000
                                ? readNanoseconds == 0 && readSeconds % (step / 1'000'000'000) == 0
                                : readNanoseconds % step == 0;
        if (onGrid)
            return apart < step ? std::optional(nanoseconds{step}) : std::nullopt;
    }
    return std::nullopt;
}

} // namespace tarnwell
