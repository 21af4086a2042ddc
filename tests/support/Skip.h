// A case that cannot run here: skipped on a developer's machine, failed under CI=true, where
// everything a test needs is installed (scripts/install-deps) and a skip would hide a case that
// never ran behind a green run.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace vesk::test {

inline bool CiRun()
{
    const char *ci = std::getenv("CI");
    return ci != nullptr && std::strcmp(ci, "true") == 0;
}

inline ::testing::TestPartResult::Type SkipKind()
{
    return CiRun() ? ::testing::TestPartResult::kFatalFailure : ::testing::TestPartResult::kSkip;
}

inline const char *SkipPrefix()
{
    return CiRun() ? "could not run, and under CI=true a skip is a failure" : "";
}

} // namespace vesk::test

// VESK_SKIP() << "why";  in place of GTEST_SKIP(), in a function returning void: the same skip,
// or a fatal failure under CI=true.
#define VESK_SKIP()                                                                                \
    return GTEST_MESSAGE_AT_(__FILE__, __LINE__, ::vesk::test::SkipPrefix(),                       \
                             ::vesk::test::SkipKind())
