// A conversion writes its output beside the target under a hidden name,
// ".<name>.<process>-<number>.part", and renames it into place when it is
// complete. A process killed meanwhile leaves that file behind; the queue
// clears away the ones of the targets it knows.
#pragma once

#include <string>

namespace converter {

// The hidden name of this process's unfinished file number for target. It
// holds as much of the target's name as fits, so that any target name that
// is itself allowed can be written.
std::string UnfinishedOutputName(const std::string& target, unsigned number);

// Removes the unfinished files beside target that no other running process
// is writing. Never fails: a file that cannot be removed stays.
void RemoveUnfinishedOutputs(const std::string& target);

}  // namespace converter
