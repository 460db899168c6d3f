#include "app/DisplayOrder.h"

#include <algorithm>

namespace signseek {

namespace {
unsigned char Lower(char c)
{
    unsigned char u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}
}  // namespace

int CompareNameText(std::string_view a, std::string_view b)
{
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = Lower(a[i]), y = Lower(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

int InsertionIndex(const std::vector<std::string>& names, std::string_view name)
{
    auto it = std::upper_bound(names.begin(), names.end(), name, [](std::string_view n, const std::string& e) {
        return CompareNameText(n, e) < 0;
    });
    return static_cast<int>(it - names.begin());
}

}  // namespace signseek
