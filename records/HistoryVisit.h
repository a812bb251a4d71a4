// The history lock: held while the history shows records.
#pragma once

// Held while the history shows records: retention deletes none meanwhile, so
// no listed record vanishes from under the view.
class CHistoryVisit {
public:
    CHistoryVisit();
    ~CHistoryVisit();
    CHistoryVisit(const CHistoryVisit&) = delete;
    CHistoryVisit& operator=(const CHistoryVisit&) = delete;
};
