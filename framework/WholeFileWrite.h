#pragma once
// Saving a file whole or not at all.

#include <cstddef>
#include <string>

// Makes the file at path hold exactly size bytes of data. The bytes are written beside the
// file under a temporary name, synced and renamed over it, so the file is either the complete
// new contents or exactly as it was. Any failure returns false, changes nothing and leaves no
// temporary file.
//
// - Symbolic links are followed, also a chain of them: the file they lead to is replaced and
//   the links stay. A dangling link gets the file it names, when that file's folder exists.
//   More than 40 links in a row (a loop) fail.
// - An existing file is replaced only when it is a regular file that is not read-only: the
//   caller has write access to it and at least one of its write bits is set, so that a file
//   nobody may write is refused for root as well.
// - A replaced file keeps its mode bits; a new file gets the default mode (0666 less the
//   umask). Owner and group are not carried over: the replacement belongs to the caller.
//
// Blocking (the data reaches the disk before it replaces the file); not for the render thread.
bool WriteWholeFile(const std::string& path, const void* data, size_t size);
