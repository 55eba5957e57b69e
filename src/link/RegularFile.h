#pragma once

#include <cstddef>
#include <string>

namespace aq {

// How reading a whole file from a path the user chose went.
enum class FileReadStatus {
    Read,        // the contents are complete
    CannotOpen,  // missing, no permission, or a read failed; `error` holds errno
    NotAFile,    // a folder, pipe, socket or device: never read from
    TooLarge,    // more than the given limit
};

// Reads the whole file at `path` into `contents`, provided it is a regular
// file (links followed) of at most `maxSize` bytes. The path is opened
// without waiting, so a pipe with no writer or a device never blocks the
// caller, and at most `maxSize` + 1 bytes are read even from a file that
// grows meanwhile. `contents` is left alone unless the result is Read.
FileReadStatus readRegularFile(const std::string& path, std::size_t maxSize, std::string& contents,
                               int* error = nullptr);

}  // namespace aq
