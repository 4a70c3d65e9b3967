#include "clientui/InstanceControlRule.h"

InstanceControlAction CInstanceControlRule::Decide(WPARAM wParam, LPARAM lParam, int32_t cmdUserId,
                                                   int32_t loggedOnUserId) {
    if (wParam != 0) return InstanceControlAction::Show;
    const int32_t account = static_cast<int32_t>(lParam);
    if (account == 0) return InstanceControlAction::Close;
    if (account == cmdUserId || account == loggedOnUserId) return InstanceControlAction::Close;
    return InstanceControlAction::Ignore;
}
