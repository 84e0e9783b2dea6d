// One track of the timeline on its way into the output file, a little at a
// time, so that the writer can keep the tracks side by side in the file.
#pragma once

namespace converter {

class TimelineTrack {
public:
  virtual ~TimelineTrack() = default;

  // Does one frame's or packet's worth of work; false once the track is written out.
  virtual bool step() = 0;
  virtual bool finished() const = 0;
  // Timeline seconds written so far.
  virtual double position() const = 0;
};

}  // namespace converter
