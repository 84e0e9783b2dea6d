// A conversion writes its output beside the target under a hidden name,
// ".<name>.<process>-<number>.part", and renames it into place when it is
// complete. A process killed meanwhile leaves that file behind; the queue
// clears away the ones of the targets it knows.
#pragma once

#include <string>

// Removes the unfinished files beside target that no other running process
// is writing. Never fails: a file that cannot be removed stays.
void RemoveUnfinishedOutputs(const std::string& target);
