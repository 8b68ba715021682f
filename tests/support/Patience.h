#pragma once

#include <chrono>

namespace foldcraft::test {

// How long a test waits for something that a correct program does long before, however
// loaded the machine (a sanitizer build on two busy cores): only a hang reaches it.
inline constexpr std::chrono::seconds kPatience{60};
inline constexpr int kPatienceMs = 60'000;  // for QTRY_*_WITH_TIMEOUT and the like

// The network timeout of a test that wants it to fire (a server that stalls): far above
// any reply time of a local test server on a loaded machine, short enough that the test
// ends soon. Such a test asserts what happened, never how long it took.
inline constexpr std::chrono::seconds kStallTimeout{3};

}  // namespace foldcraft::test
