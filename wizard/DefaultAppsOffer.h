#pragma once

#include <vector>

// Shown after the success message. Since Windows 8 only the user chooses
// which program a double-click opens: where Windows opens one of the types
// with another class, the wizard says so and offers Windows' own page for
// the choice. Nothing appears where every type opens with its class.
namespace DefaultAppsOffer {

// listIndices: the types whose class the registration gave an open command.
void Offer(const std::vector<int>& listIndices);

} // namespace DefaultAppsOffer
