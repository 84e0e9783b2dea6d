// Which state an item may go to from which: the one table every command and
// every report of a job passes through. Anything else is a fault and raises.
#pragma once

#include "app/queue/queue_item.h"

bool TransitionAllowed(TQueueState from, TQueueState to);
// Raises EQueueTransition naming both states unless the table allows it.
void CheckTransition(TQueueState from, TQueueState to);

// A job runs for the item: reading its page, downloading or converting.
bool IsActive(TQueueState state);
