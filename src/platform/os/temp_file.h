// Private temporary files: the stand-in for GetTempPathA, GetTempFileNameA with
// CreateFileA(CREATE_NEW) and DeleteFileA.
//
// A file made here is new (created exclusively: never an existing file, nor one a link
// points at), readable and writable by its user only, and holds exactly the given bytes
// when the call returns. Nothing deletes it but DeleteTempFile: a caller that must not
// leave it behind deletes it itself, at exit too. The back end is
// posix/temp_file_posix.cpp; on Windows win32/temp_file_win32.cpp, where TempFolder is
// GetTempPathA's folder (without its final separator), a file is named as GetTempFileNameA
// names them, "<folder>\<first three characters of prefix><four hex digits>.TMP", and made
// with CreateFileA(CREATE_NEW), a name in use being passed over. The user's temporary
// folder keeps other users out there.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace eh::os {

// The user's temporary folder: $TMPDIR when it is an absolute path, else /tmp (read on
// each call).
std::string TempFolder();

// Creates "<folder>/<prefix>" plus six characters of the system's choosing and writes
// `bytes` to it whole; an empty `folder` means TempFolder(). Returns the file's path, or
// an empty string, leaving no file behind, when the file cannot be created or written.
std::string CreatePrivateTempFile(std::span<const std::uint8_t> bytes, std::string_view prefix,
                                  const std::string& folder = {});

// Deletes a file. True when it was deleted; false when it could not be (already gone).
bool DeleteTempFile(const std::string& path);

}  // namespace eh::os
