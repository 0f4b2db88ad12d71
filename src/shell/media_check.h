// --verify-media: every embedded archive extracts with good CRCs, and every entry the
// program asks for is there.
#pragma once

#include <string>
#include <vector>

namespace eh::shell {

// The entries the scene asks archive 453 for, recorded while it loads on a small offscreen
// device: the same calls, in the same order, as a real start. Empty when no device can be
// made.
std::vector<std::string> RecordSceneRequests();

// Prints one line per archive entry and per missing request, then a summary; returns the
// process exit code (0 when everything is in order).
int VerifyMedia();

}  // namespace eh::shell
