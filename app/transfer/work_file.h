#pragma once
// The files a job writes into its folder (the video as it arrives, a large
// file's parts, a stream's tracks, the records beside them) are made and
// opened one safe way: never through a symbolic link, and a new one is made
// exclusively, so it is never a file that somebody else put there.

#include <memory>
#include <string>

class TFileStream;

// True when path names a plain file, false when nothing is there; anything
// else under a work file's name (a link above all) is refused.
bool PlainWorkFileThere(const std::string& path);
// Removes the file of that name, if any.
void RemoveWorkFile(const std::string& path);
[[noreturn]] void FailOnWorkFile(const std::string& path, int error);

// A work file made anew: a plain file of that name goes first, anything else
// under the name is refused, and the new file is made exclusively.
std::unique_ptr<TFileStream> CreateWorkFile(const std::string& path);
// An existing work file, never through a link; nullptr when there is none.
std::unique_ptr<TFileStream> OpenWorkFile(const std::string& path, unsigned mode);
