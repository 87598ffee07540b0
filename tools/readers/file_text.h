#ifndef KORVAN_TOOLS_READERS_FILE_TEXT_H
#define KORVAN_TOOLS_READERS_FILE_TEXT_H

// Whole-file reading and writing for the readers. They take files that
// someone else wrote, so reading refuses what is not a regular file (a
// directory, a FIFO that would block, a device without end) and does not
// trust the size the file system reports (files under /proc say 0).
// Writing replaces a file atomically.

#include <string>

namespace Tools {

// The whole content of a regular file; false when it is none or cannot be
// read.
bool read_text_file(const std::string &file_name, std::string &text);

// Writes the text to a temporary file beside the target and renames it
// over the target, keeping the target's permissions. A symbolic link is
// followed, so the link stays and its target gets the new text. False
// when anything fails; the target is then unchanged.
bool replace_file(const std::string &file_name, const std::string &text);

} // namespace Tools

#endif
