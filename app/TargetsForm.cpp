#include "app/TargetsForm.h"

#include <cctype>
#include <map>
#include <optional>

namespace signseek {

CheckedTargets CheckTargets(const std::string& text, const HostResolver& resolve)
{
    CheckedTargets checked;
    TargetFile file = TargetsFromText(text);
    if (!file.error.empty()) {
        checked.problems.push_back("the list is " + file.error);
        checked.badLines.push_back(0);
        return checked;
    }
    // Each bad line costs one more pass over the list; names are asked once.
    std::map<std::string, std::optional<std::string>> known;
    const HostResolver once = [&](const std::string& name) {
        auto it = known.find(name);
        if (it == known.end()) it = known.emplace(name, resolve ? resolve(name) : std::nullopt).first;
        return it->second;
    };
    for (;;) {
        TargetList list = ParseTargets(file.texts, once);
        if (list.error.empty()) {
            checked.addresses = std::move(list.addresses);
            return checked;
        }
        if (checked.problems.size() == kMaxTargetProblems) {
            checked.problems.push_back("more than " + std::to_string(kMaxTargetProblems) +
                                       " lines are not targets; none of the list is used");
            checked.badLines.push_back(0);
            checked.addresses.clear();
            return checked;
        }
        const std::size_t bad = list.failedText;
        checked.problems.push_back("Line " + std::to_string(file.lines[bad]) + ": " + list.error);
        checked.badLines.push_back(file.lines[bad]);
        file.texts.erase(file.texts.begin() + static_cast<std::ptrdiff_t>(bad));
        file.lines.erase(file.lines.begin() + static_cast<std::ptrdiff_t>(bad));
    }
}

CheckedTargets CheckTargetSyntax(const std::string& text)
{
    // Every name stands for one address; which, the search finds out.
    CheckedTargets checked =
        CheckTargets(text, [](const std::string&) { return std::optional<std::string>("0.0.0.0"); });
    checked.addresses.clear();
    return checked;
}

bool NamesAHost(const std::string& text)
{
    bool asked = false;
    CheckTargets(text, [&asked](const std::string&) {
        asked = true;
        return std::optional<std::string>();
    });
    return asked;
}

std::string ProblemSentence(const std::string& problem)
{
    std::string sentence = problem;
    if (!sentence.empty()) sentence[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(sentence[0])));
    if (sentence.empty() || sentence.back() != '.') sentence += '.';
    return sentence;
}

}  // namespace signseek
