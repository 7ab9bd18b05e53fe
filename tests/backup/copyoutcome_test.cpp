#include "backup/copyoutcome.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace tarnwell {
namespace {

// Whatever order the workers failed in, a pair's failed copy reads the same: the gravest kind
// speaks for it, and of that kind the first entry by name.
TEST(CopyOutcomeTest, ThePairsFragmentDoesNotDependOnTheOrderOfFailures)
{
    const auto failure = [](const char* entry, int number, const char* description = nullptr) {
        return CopyFailure{entry,
                           description ? RuntimeError(number, description) : RuntimeError(number)};
    };
    const struct
    {
        std::vector<CopyFailure> failures;
        std::string fragment; // "" for the path of an unexpected failure
        std::string leading;
    } rows[] = {
        {{failure("b", 76), failure("a", 76)}, ", Path not found (S T", "a"},
        {{failure("a", 76), failure("z", 55), failure("m", 70)}, ", Permission denied (S T", "m"},
        {{failure("a", 55), failure("c", 61), failure("b", 76)}, "", "c"},
        {{failure("a", 76), failure("b", 75, "Changed while it was being copied")},
         ", Changed while it was being copied (S T",
         "b"},
        {{failure("x", 1117, "The request could not be performed"), failure("a", 70)}, "", "x"},
    };
    for (const auto& row : rows) {
        std::vector<CopyFailure> failures = row.failures;
        std::sort(failures.begin(), failures.end(),
                  [](const CopyFailure& a, const CopyFailure& b) { return a.entry < b.entry; });
        do {
            const CopyFailure& leading = leadingFailure(failures);
            EXPECT_EQ(leading.entry, row.leading);
            if (row.fragment.empty())
                EXPECT_EQ(failureKind(leading.error), FailureKind::Unexpected);
            else
                EXPECT_EQ(copyFailureFragment(leading, "S", "T"), row.fragment);
        } while (std::next_permutation(
            failures.begin(), failures.end(),
            [](const CopyFailure& a, const CopyFailure& b) { return a.entry < b.entry; }));
    }
}

} // namespace
} // namespace tarnwell
