#pragma once
// Durations the way manifests write them (ISO 8601, "PT1H2M3.5S", "P1DT2H").

#include <string>

namespace streams {

// Seconds; years and months (of unknown length), signs and anything
// malformed raise EVideoStreamRefused naming the text.
double ReadIsoDuration(const std::string& text);

}  // namespace streams
