#include "app/UserTargets.h"

#include "discovery/TargetList.h"
#include "settings/SettingsFolder.h"

namespace signseek {

namespace {

constexpr char kNoFolder[] = "this user has no settings folder (neither XDG_CONFIG_HOME nor HOME is set)";

std::string FilePath(const std::string& folder) { return folder + "/" + kUserTargetsFileName; }

}  // namespace

StoredTargets LoadUserTargets(const std::string& folder)
{
    StoredTargets stored;
    if (folder.empty()) return stored;
    SettingsFolderHandle handle = OpenUserFolder(folder, false);
    if (handle.folder.Get() < 0) {
        if (!handle.problem.empty()) stored.problem = folder + " " + handle.problem;
        return stored;
    }
    WholeFile file = ReadWholeFile(handle.folder.Get(), kUserTargetsFileName, kMaxTargetFileBytes);
    if (file.text)
        stored.text = std::move(*file.text);
    else if (!file.problem.empty())
        stored.problem = FilePath(folder) + " " + file.problem;
    return stored;
}

std::string SaveUserTargets(const std::string& folder, const std::string& text)
{
    if (folder.empty()) return kNoFolder;
    if (text.size() > kMaxTargetFileBytes)
        return "the list is longer than " + std::to_string(kMaxTargetFileBytes) + " bytes";
    SettingsFolderHandle handle = OpenUserFolder(folder, true);
    if (handle.folder.Get() < 0)
        return folder + " " + (handle.problem.empty() ? std::string("cannot be created") : handle.problem);
    std::string problem = ReplaceFile(handle.folder.Get(), kUserTargetsFileName, text);
    return problem.empty() ? problem : FilePath(folder) + " " + problem;
}

}  // namespace signseek
