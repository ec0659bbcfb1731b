// CFileFinder (file_finder.h).
#include "file_finder.h"

#include <cstring>

namespace kestrun {

CFileFinder::~CFileFinder() { Reset(); }

bool CFileFinder::Start(const char* pattern) {
    Reset();
    exhausted_ = false;
    if (!pattern) pattern = "*.*";
    const char* slash = std::strrchr(pattern, '/');
    const char* backslash = std::strrchr(pattern, '\\');
    const char* last = slash > backslash ? slash : backslash;
    rootPath_.assign(pattern, last ? static_cast<std::size_t>(last - pattern) + 1 : 0);
    search_ = host_.findFirst(pattern, next_, kNameSize);
    if (!search_) {
        Reset();
        return false;
    }
    return true;
}

CFileFinder::StepResult CFileFinder::Next() {
    if (!search_) return StepResult::NoSearch;
    char* handedOut = next_;
    next_ = current_;
    current_ = handedOut;
    hasCurrent_ = true;
    switch (host_.findNext(search_, next_, kNameSize)) {
        case Host::FindStep::Found: return StepResult::Next;
        case Host::FindStep::End: return StepResult::End;
        default: return StepResult::Failed;
    }
}

void CFileFinder::Close() {
    if (search_) host_.findClose(search_);
    search_ = nullptr;
}

void CFileFinder::Reset() {
    Close();
    hasCurrent_ = false;
    entryA_[0] = entryB_[0] = '\0';
}

const char* CFileFinder::Step() {
    if (exhausted_) return "";
    switch (Next()) {
        case StepResult::Next:
            return FileName();
        case StepResult::End:
            // The last entry: the system search is done with; its name is handed out now.
            exhausted_ = true;
            Close();
            return FileName();
        default:
            exhausted_ = true;
            Reset();
            return "";
    }
}

}  // namespace kestrun
