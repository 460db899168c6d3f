#pragma once
// The machine-wide settings folder, <data folder>/Marvane/Discovery, which
// every local user shares. It is reached only through folder handles and
// never through a symbolic link, so no other user can point a read or a save
// somewhere else by renaming or replacing a folder or the file.

#include "common/UniqueFd.h"

#include <cstddef>
#include <optional>
#include <string>

namespace signseek {

struct SettingsFolderHandle {
    UniqueFd folder;      // valid when the folder may be used
    std::string problem;  // why not, one line; empty when it is simply missing
};

// Opens the folder below dataFolder (trusted: a system folder), each level
// without following a link. The folder must be owned by root or by us, and
// when others may write into it, it must be sticky, so nobody removes or
// renames another's file. With create, a missing last level is made so.
SettingsFolderHandle OpenSettingsFolder(const std::string& dataFolder, bool create);

// This user's own folder at path (the folders above it are the user's to
// arrange, links included). With create, missing levels are made, mode 0700.
// Like the shared folder it must be owned by root or by us, and sticky when
// others may write into it.
SettingsFolderHandle OpenUserFolder(const std::string& path, bool create);

struct FirstLine {
    std::optional<std::string> line;  // set when the file was read
    std::string problem;              // why it was not read; empty when it is missing
};

// The first line of name in the folder (CR LF is one line break), at most
// maxLength characters. Only a regular file with a single name is read, never
// through a link: a link, FIFO, device or a hard link to another file is left
// alone and named in problem.
FirstLine ReadFirstLine(int folder, const char* name, std::size_t maxLength);

struct WholeFile {
    std::optional<std::string> text;  // set when the file was read
    std::string problem;              // why it was not read; empty when it is missing
};

// All of name in the folder, read as ReadFirstLine reads (never through a
// link); a file longer than maxBytes is not read and named in problem.
WholeFile ReadWholeFile(int folder, const char* name, std::size_t maxBytes);

// Replaces name in the folder with text: a new file (mode 0644) written beside
// it, then renamed over it. A link in name's place is replaced, never written
// through. Returns why it failed, or an empty text.
std::string ReplaceFile(int folder, const char* name, const std::string& text);

}  // namespace signseek
