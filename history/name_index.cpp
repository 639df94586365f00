#include "history/name_index.h"

#include <algorithm>

namespace zelkam {

bool NameIndex::addTo(std::vector<std::string>& names, std::string_view name)
{
    if (many_) {
        if (many_->find(name) != many_->end())
            return false;
        many_->emplace(name);
        names.emplace_back(name);
        return true;
    }
    if (std::find(names.begin(), names.end(), name) != names.end())
        return false;
    names.emplace_back(name);
    if (names.size() > FewNames)
        many_ = std::make_unique<std::unordered_set<std::string, TextHash, std::equal_to<>>>(names.begin(), names.end());
    return true;
}

} // namespace zelkam
