#include "app/RecentFileList.h"

#include "app/Profile.h"

#include <algorithm>

void CRecentFileList::Add(const std::string& path)
{
    if (path.empty() || capacity_ == 0)
        return;
    paths_.erase(std::remove(paths_.begin(), paths_.end(), path), paths_.end());
    paths_.insert(paths_.begin(), path);
    if (paths_.size() > capacity_)
        paths_.resize(capacity_);
}

void CRecentFileList::Remove(size_t index)
{
    if (index < paths_.size())
        paths_.erase(paths_.begin() + static_cast<std::ptrdiff_t>(index));
}

void CRecentFileList::Load(const CProfile& profile)
{
    paths_.clear();
    for (size_t i = 0; i < capacity_; ++i) {
        const std::string path = profile.GetString(kSection, "File" + std::to_string(i + 1));
        if (!path.empty() && std::find(paths_.begin(), paths_.end(), path) == paths_.end())
            paths_.push_back(path);
    }
}

void CRecentFileList::Save(CProfile& profile) const
{
    for (size_t i = 0; i < capacity_; ++i) {
        const std::string key = "File" + std::to_string(i + 1);
        if (i < paths_.size())
            profile.WriteString(kSection, key, paths_[i]);
        else
            profile.RemoveKey(kSection, key);
    }
}
