#pragma once
// The decimal-comma locale that the locale tests run under. Where it is not installed they
// skip with a message, except under CI (the CI variable set), where a missing locale would
// hide what they check and so fails them.

#include <clocale>
#include <cstdlib>

namespace tm47::test {

inline bool SetGermanLocale(int category) {
    return std::setlocale(category, "de_DE.UTF-8") != nullptr ||
           std::setlocale(category, "de_DE.utf8") != nullptr;
}

inline bool UnderCi() {
    return std::getenv("CI") != nullptr;
}

inline constexpr const char* kNoGermanLocale =
    "de_DE.UTF-8 is not installed (scripts/install-deps.sh generates it as root)";

} // namespace tm47::test

// In a test body: sets the German locale for `category`, else skips (fails under CI), with the
// test framework's own fail and skip statements.
#define TM47_GERMAN_LOCALE_OR(category, failWith, skipWith)                                        \
    do {                                                                                           \
        if (!tm47::test::SetGermanLocale(category)) {                                              \
            if (tm47::test::UnderCi()) {                                                           \
                failWith;                                                                          \
            }                                                                                      \
            skipWith;                                                                              \
        }                                                                                          \
    } while (0)
#define TM47_GERMAN_LOCALE_OR_SKIP(category)                                                       \
    TM47_GERMAN_LOCALE_OR(category, FAIL() << tm47::test::kNoGermanLocale,                         \
                          GTEST_SKIP() << tm47::test::kNoGermanLocale)
#define TM47_QT_GERMAN_LOCALE_OR_SKIP(category)                                                    \
    TM47_GERMAN_LOCALE_OR(category, QFAIL(tm47::test::kNoGermanLocale),                            \
                          QSKIP(tm47::test::kNoGermanLocale))
