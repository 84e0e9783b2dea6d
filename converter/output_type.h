// The converter's output types: the sixteen of old, then today's formats
// after them, so that no earlier value changes its meaning.
#pragma once

#include <cstdint>
#include <string>

enum TOutputType : int16_t {
  otVCD_NTSC,
  otVCD_PAL,
  otSVCD_NTSC,
  otSVCD_PAL,
  otDVD_NTSC,
  otDVD_PAL,
  otMPEG1,
  otMPEG2,
  otAVI,
  otWMV,
  otQT,
  otRM,
  otIPOD,
  otPSP,
  otFLV,
  ot3GP,
  otMP4,
  otWebM,
  otMP3,
  otOpus,
  otOriginal,
};

// The type's name, as the command line and the output type table give it;
// empty for a value that is no type.
std::string OutputTypeName(TOutputType type);
