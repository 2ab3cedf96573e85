#include "update/update_steps.hpp"

// The self-update is not built yet: no feed is read, nothing is replaced.
namespace pixtrail::update {

void completePendingUpdate(shell::Application&) {}
void checkForUpdate(shell::Application&) {}
void clearNextUpdateDate(shell::Application&) {}

} // namespace pixtrail::update
