// Error texts of the converter, available to the program as LastError.
#pragma once

namespace converter_messages {

inline constexpr const char* CannotOpenInput = "Cannot open the media file";
inline constexpr const char* PlaylistRefused = "A playlist that names other files is not read as a media file";
inline constexpr const char* CannotReadStreams = "Cannot read the streams of";
inline constexpr const char* NoMediaStreams = "No audio or video stream that can be decoded in";
inline constexpr const char* NothingToPlay = "Nothing that can be played in";
inline constexpr const char* NoSuchStream = "The clip's stream is not in";
inline constexpr const char* BadClipSpan = "The clip must start at or after 0 and end after its start";
inline constexpr const char* CannotOpenDecoder = "Cannot open the decoder";
inline constexpr const char* CannotDecode = "Cannot decode";
inline constexpr const char* CannotBuildFilters = "Cannot set up the filters";
inline constexpr const char* CannotFilter = "Cannot filter";
inline constexpr const char* CannotOpenEncoder = "Cannot open the encoder";
inline constexpr const char* UnknownEncoderOption = "The encoder does not know the option";
inline constexpr const char* UnknownMuxerOption = "The output format does not know the option";
inline constexpr const char* MissingEncoder = "This FFmpeg build has no encoder";
inline constexpr const char* CannotEncode = "Cannot encode";
inline constexpr const char* OutputIsASource = "The output file is a source of the timeline";
inline constexpr const char* CannotCreateOutput = "Cannot create the output file";
inline constexpr const char* CannotWriteOutput = "Cannot write the output file";
inline constexpr const char* UnknownOutputType = "Unknown output type";
inline constexpr const char* UnknownCompressor = "No compressor has the value";
inline constexpr const char* UnknownProfile = "No Windows Media profile has the index";
inline constexpr const char* BadOutputSize = "The output size is not valid";
inline constexpr const char* BadVideoSampleSize = "The video sample size must be 16, 24 or 32";
inline constexpr const char* TimelineEmpty = "Timeline empty";
inline constexpr const char* NothingToWrite = "The output type has no stream for what the timeline holds";
inline constexpr const char* NeedsVideo = "The output type is made for video, and the timeline holds none";
inline constexpr const char* NeedsSound = "The output type writes sound only, and the timeline holds none";
inline constexpr const char* StreamDoesNotFit = "Cannot keep the original streams:";
inline constexpr const char* CannotCopy = "Cannot copy the stream";
inline constexpr const char* ConversionStopped = "Conversion stopped";
inline constexpr const char* ConversionRunning = "A conversion is already running";
inline constexpr const char* CannotReadProfile = "Cannot read the profile file";
inline constexpr const char* NotAProfile = "Not a Windows Media profile";
inline constexpr const char* BadProfileStream = "The profile has no usable stream settings";

}  // namespace converter_messages
