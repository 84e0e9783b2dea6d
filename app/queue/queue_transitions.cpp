#include "app/queue/queue_transitions.h"

#include <array>

#include <fmt/core.h>

#include "app/queue/messages.h"
#include "app/queue/queue_errors.h"

namespace {

using enum TQueueState;

struct Transition {
  TQueueState From;
  TQueueState To;
};

// A job reports where it is; a paused job confirms once its transfer has
// stopped, so a job that finishes before it notices the pause saves or fails
// instead. A job may skip the download when the whole video is already here.
constexpr std::array<Transition, 15> Allowed{{
    {Queued, Reading},  // a slot was free
    {Queued, Paused},   // paused before it started
    {Reading, Downloading},
    {Reading, Converting},
    {Reading, Paused},
    {Reading, Failed},
    {Downloading, Converting},
    {Downloading, Saved},  // the original format, kept as it came
    {Downloading, Paused},
    {Downloading, Failed},
    {Converting, Saved},
    {Converting, Paused},  // the conversion starts over on resume
    {Converting, Failed},
    {Paused, Queued},  // resume
    {Failed, Queued},  // retry
}};

}  // namespace

bool TransitionAllowed(TQueueState from, TQueueState to) {
  for (const Transition& transition : Allowed)
    if (transition.From == from && transition.To == to) return true;
  return false;
}

void CheckTransition(TQueueState from, TQueueState to) {
  if (!TransitionAllowed(from, to))
    throw EQueueTransition(fmt::format(queue_messages::IllegalTransition, StateName(from), StateName(to)));
}

bool IsActive(TQueueState state) { return state == Reading || state == Downloading || state == Converting; }
