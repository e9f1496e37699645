#pragma once

#include <cstdint>
#include <string>

// File and folder services of the platform for the restore and image-file steps. Creating and
// reading files themselves goes through TXFileStream.
namespace kova {

// Creates the folder and every missing parent; true when the folder exists afterwards. On failure
// `error` holds the errno.
bool CreateFolderWithParents(const std::string& path, int& error);

// Gives the file the modification time `localDateTime` (days since 1899-12-30 with the time of
// day as the fraction, in this machine's local time, as cards keep their times; milliseconds are
// kept); the access time stays. False with the errno in `error` when the time cannot be set.
bool SetModifiedTime(const std::string& path, double localDateTime, int& error);
// Whether the calling user may create files in the folder (its permissions and a file system
// mounted read-only both count).
bool FolderWritable(const std::string& folder);

bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);

// Bytes available to the calling user on the file system that holds (or will hold) the folder;
// -1 when it cannot be learned.
int64_t FreeSpaceOf(const std::string& folder);

}  // namespace kova
