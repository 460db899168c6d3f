#pragma once
// The user's own list of targets, which "Find Displays..." asks directly
// beside the chosen adapter's network: the file "targets" in the user's
// settings folder, one target a line as signseek-find --targets-from reads
// it. It is kept apart from the shared settings file, whose one line stays as
// older installs read it.

#include <string>

namespace signseek {

inline constexpr char kUserTargetsFileName[] = "targets";

struct StoredTargets {
    std::string text;     // the file as the user wrote it, comments included; empty when missing
    std::string problem;  // why it was not read, one line naming the file; empty when read or missing
};

// folder: the user's settings folder (UserSettingsFolder()). A file longer
// than signseek-find takes, or a link, FIFO or device in its place, is not
// read.
StoredTargets LoadUserTargets(const std::string& folder);

// Writes a new file and renames it over the old one, making the folder (0700)
// when missing; a link in the file's place is replaced, never written
// through. Why it failed, one line; empty when the file now holds text.
std::string SaveUserTargets(const std::string& folder, const std::string& text);

}  // namespace signseek
